#include "PinRequests.h"

#include "Alert.h"
#include "MessageTable.h"
#include "NotificationCenter.h"
#include "PinBlock.h"
#include "SettingsStore.h"

namespace pin_requests {

namespace {

CommonWS::FailureHandler printedThen(CommonWS::FailureHandler onFailure)
{
    return [onFailure = std::move(onFailure)](const ApiError& error) {
        CommonWS::printFailure(error);
        if (onFailure) {
            onFailure(error);
        }
    };
}

template<AnswerRecord Record>
void send(WebService service, const Parameters& parameters, Completion<Record> completion,
    CommonWS::FailureHandler onFailure, bool readsBlock = false)
{
    ApiManager::shared().request(service, parameters, printedThen(std::move(onFailure)),
        [completion = std::move(completion), readsBlock](const QByteArray& body) {
            if (readsBlock) {
                if (const std::optional<std::chrono::seconds> left = PinBlock::timeLeftIn(body)) {
                    PinBlock::current().start(*left);
                }
            }
            CommonWS::decodeResponse(body, completion);
        });
}

} // namespace

void checkPin(qint64 attempt, const QString& pin, Completion<BaseModel<CheckPinModel>> completion,
    CommonWS::FailureHandler onFailure)
{
    send(WebService::checkPin,
        {
            {QStringLiteral("user_id"), SettingsStore::shared().userId()},
            {QStringLiteral("attempt"), QString::number(attempt)},
            {QStringLiteral("pin"), pin},
        },
        std::move(completion), std::move(onFailure), true);
}

void updatePin(const QString& oldPin, const QString& newPin, Completion<BaseModel<UpdatePinModel>> completion,
    CommonWS::FailureHandler onFailure)
{
    send(WebService::updatePin, {{QStringLiteral("old_pin"), oldPin}, {QStringLiteral("pin"), newPin}},
        std::move(completion), std::move(onFailure), true);
}

void removePin(Completion<DisablePinModel> completion, CommonWS::FailureHandler onFailure)
{
    send(WebService::removepin, {}, std::move(completion), std::move(onFailure));
}

void applyRemoval(const std::optional<DisablePinModel>& record, std::function<void()> confirmed)
{
    if (!record) {
        return;
    }
    const QString pinProtectionOff = QString::fromLatin1(notifications::pinProtectionOff);
    if (!record->status) {
        showAlert(messages::ooops(), record->msg, [pinProtectionOff] {
            NotificationCenter::shared().post(
                pinProtectionOff, SettingsStore::shared().boolValue(keys::isPinSeted));
        });
        return;
    }
    SettingsStore::shared().setBool(keys::isPinSeted, false);
    showAlert(record->msg, QString(), [pinProtectionOff, confirmed = std::move(confirmed)] {
        NotificationCenter::shared().post(pinProtectionOff, false);
        if (confirmed) {
            confirmed();
        }
    });
}

void unblockWebsite(
    qint64 domainId, Completion<UnblockWebsiteModel> completion, CommonWS::FailureHandler onFailure)
{
    send(WebService::unblockWebsite, {{QStringLiteral("domain_id"), QString::number(domainId)}},
        std::move(completion), std::move(onFailure));
}

} // namespace pin_requests
