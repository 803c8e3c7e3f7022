#pragma once

#include "CommonWS.h"

// The PIN requests that the PIN screens send themselves. Each decodes the answer for its completion
// (no record and false when the body does not decode); `onFailure` runs, after the error is printed,
// when no answer came.
namespace pin_requests {

// A PIN try and a change of PIN, which the server counts as a try: a block the answer reports becomes
// the process's PinBlock before the completion runs.
void checkPin(qint64 attempt, const QString& pin, Completion<BaseModel<CheckPinModel>> completion,
    CommonWS::FailureHandler onFailure);
void updatePin(const QString& oldPin, const QString& newPin, Completion<BaseModel<UpdatePinModel>> completion,
    CommonWS::FailureHandler onFailure);

void removePin(Completion<DisablePinModel> completion, CommonWS::FailureHandler onFailure);
// What a decoded removepin answer does, wherever it was sent from. Accepted: `isPinSeted` becomes false
// and the server's message is shown; when the user presses OK, `pin_protection_off` goes out with false
// and `confirmed` runs. Refused: nothing changes; the server's message is shown under "Ooops" and, on
// OK, `pin_protection_off` goes out with the stored `isPinSeted`, so the PIN switch shows the PIN again.
// No record: nothing happens.
void applyRemoval(const std::optional<DisablePinModel>& record, std::function<void()> confirmed);
void unblockWebsite(
    qint64 domainId, Completion<UnblockWebsiteModel> completion, CommonWS::FailureHandler onFailure);

} // namespace pin_requests
