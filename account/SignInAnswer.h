#pragma once

#include "ApiManager.h"
#include "CommonWS.h"
#include "Records.h"
#include "SettingsStore.h"

#include <optional>

// What every way in shares: the sign-in request, the answer handler that keeps the account's fields,
// and the session that a successful answer opens.
namespace sign_in {

using Answer = BaseModel<AuthModel>;

// Stores the account's fields as an accepted answer gives them: `user_email`, `user_name`,
// `user_device` and `user_id` (a number). Each key is removed when the answer has no account or lacks
// the field. A refused answer (a mistyped password, a taken address) says nothing about the account
// and changes none of them: the password sheet still knows the address, a signed-in user keeps their
// fields.
template<typename Account>
void storeUserFields(const std::optional<Account>& account)
{
    SettingsStore& settings = SettingsStore::shared();
    if (!account) {
        for (const char* key : {keys::userEmail, keys::userName, keys::userDevice, keys::userId}) {
            settings.remove(key);
        }
        return;
    }
    settings.setString(keys::userEmail, account->email);
    if (account->name) {
        settings.setString(keys::userName, *account->name);
    } else {
        settings.remove(keys::userName);
    }
    settings.setString(keys::userDevice, account->deviceName);
    settings.setInteger(keys::userId, account->id);
}

// The shared sign-in answer handler: decodes the answer, stores the account's fields from an accepted
// one, then hands it on.
void handleAnswer(const QByteArray& body, const Completion<Answer>& completion);

// Sends `login` (or `signup`'s answer comes the same way) and hands the answer through the handler.
// `onFailure` runs, after the error is printed, when no answer came.
void sendLogin(
    const Parameters& parameters, Completion<Answer> completion, ApiManager::FailureHandler onFailure);

// The parameters of a sign-in by e-mail and password.
Parameters emailParameters(const QString& email, const QString& password, const QString& platformUniqueId);

enum class Provider {
    facebook = 1,
    google = 2,
};

// The parameters of a sign-in with Google or Facebook: the provider's access token and user id.
Parameters socialParameters(Provider provider, const QString& email, const QString& accessToken,
    const QString& profileId, const QString& deviceModel, const QString& platformUniqueId);

// "Model Response - " with the answer and "Is Success - " with whether it decoded.
void printOutcome(const std::optional<Answer>& answer, bool decoded);
// The line printed when an answer cannot be decoded.
void printUndecodable();

// Opens the session of an accepted answer: `isLogin` true, `user_id` and `loginToken` from the
// account (both removed when the answer has none). A sign-in also sets `isLoggedOut` false; a
// sign-up leaves it as it was.
enum class Way {
    signIn,
    signUp,
};
void openSession(const Answer& answer, Way way);

} // namespace sign_in
