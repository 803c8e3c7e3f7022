#include "CommonWS.h"

#include "Alert.h"
#include "Diagnostics.h"
#include "MessageTable.h"
#include "SettingsStore.h"
#include "platform.h"

DeviceIdentity DeviceIdentity::system()
{
    return {&platform::platformUUID, &platform::deviceModel};
}

CommonWS::CommonWS(ApiManager& api, DeviceIdentity identity)
    : m_api(api)
    , m_identity(std::move(identity))
{ }

CommonWS& CommonWS::shared()
{
    return SharedService<CommonWS>::get();
}

void CommonWS::printDecodingError(const DecodeError& error)
{
    diagnostics::printLine(QStringLiteral("Error while decoding - ") + error.text());
}

void CommonWS::printFailure(const ApiError& error)
{
    diagnostics::printLine(QStringLiteral("error found in api calling : ") + error.text);
}

CommonWS::FailureHandler CommonWS::printedThen(FailureHandler onFailure)
{
    if (!onFailure) {
        return &CommonWS::printFailure;
    }
    return [onFailure = std::move(onFailure)](const ApiError& error) {
        printFailure(error);
        onFailure(error);
    };
}

void CommonWS::alertFailure(const ApiError& error)
{
    if (error.kind != ApiError::Kind::notReachable) {
        showAlert(messages::ooops(), messages::serverNotReachable());
    }
}

std::optional<QString> CommonWS::platformUUID() const
{
    return m_identity.platformUUID ? m_identity.platformUUID() : std::nullopt;
}

QString CommonWS::platformUniqueId() const
{
    return platformUUID().value_or(QString());
}

QString CommonWS::deviceModel() const
{
    return m_identity.deviceModel ? m_identity.deviceModel() : QString();
}

void CommonWS::signup(const QString& email, const QString& password, int socialMedia,
    const QString& deviceName, Completion<BaseModel<AuthModel>> completion, FailureHandler onFailure)
{
    send(WebService::signup,
        {
            {QStringLiteral("social_media"), QString::number(socialMedia)},
            {QStringLiteral("device_name"), deviceName},
            {QStringLiteral("email"), email},
            {QStringLiteral("password"), password},
            {QStringLiteral("profile_id"), QStringLiteral("0")},
        },
        std::move(completion), std::move(onFailure));
}

void CommonWS::updateProfile(const QString& name, const QString& deviceName, const QString& password,
    Completion<BaseModel<UpdateProfile>> completion, FailureHandler onFailure)
{
    send(WebService::updateProfile,
        {
            {QStringLiteral("name"), name},
            {QStringLiteral("device_name"), deviceName},
            {QStringLiteral("password"), password},
        },
        std::move(completion), std::move(onFailure));
}

void CommonWS::setupPin(const QString& time, const QString& pin,
    Completion<BaseModel<SetupPinModel>> completion, FailureHandler onFailure)
{
    send(WebService::setupPin, {{QStringLiteral("time"), time}, {QStringLiteral("pin"), pin}},
        std::move(completion), std::move(onFailure));
}

void CommonWS::checkPin(qint64 attempt, const QString& pin, Completion<BaseModel<CheckPinModel>> completion,
    FailureHandler onFailure)
{
    send(WebService::checkPin,
        {
            {QStringLiteral("user_id"), SettingsStore::shared().userId()},
            {QStringLiteral("attempt"), QString::number(attempt)},
            {QStringLiteral("pin"), pin},
        },
        std::move(completion), std::move(onFailure));
}

void CommonWS::retrievePin(Completion<BaseModel<RetrievePinModel>> completion, FailureHandler onFailure)
{
    send(WebService::retrievePin, {{QStringLiteral("user_id"), SettingsStore::shared().userId()}},
        std::move(completion), std::move(onFailure));
}

void CommonWS::updatePin(const QString& oldPin, const QString& newPin,
    Completion<BaseModel<UpdatePinModel>> completion, FailureHandler onFailure)
{
    send(WebService::updatePin, {{QStringLiteral("old_pin"), oldPin}, {QStringLiteral("pin"), newPin}},
        std::move(completion), std::move(onFailure));
}

void CommonWS::getBlockWebsiteByUser(
    Completion<BaseModel<BlockWebsiteModel>> completion, FailureHandler onFailure)
{
    send(WebService::getBlockWebsiteByUser, {{QStringLiteral("user_id"), SettingsStore::shared().userId()}},
        std::move(completion), std::move(onFailure));
}

void CommonWS::blockWebsite(
    const QString& domain, Completion<BaseModel<BlockData>> completion, FailureHandler onFailure)
{
    send(WebService::blockWebsite,
        {{QStringLiteral("user_id"), SettingsStore::shared().userId()}, {QStringLiteral("domain"), domain}},
        std::move(completion), std::move(onFailure));
}

void CommonWS::syncURL(std::function<void()> completion, FailureHandler onFailure)
{
    m_api.request(WebService::syncURL, {{QStringLiteral("platform_unique_id"), platformUniqueId()}},
        printedThen(std::move(onFailure)), [completion = std::move(completion)](const QByteArray& body) {
            const Decoded<BaseModel<SyncURLModel>> decoded = decodeRecord<BaseModel<SyncURLModel>>(body);
            if (!decoded) {
                printDecodingError(decoded.error);
                return;
            }
            if (!decoded.record->status) {
                diagnostics::printLine(QStringLiteral("error in syncing stauts false"));
                return;
            }
            const std::optional<SyncURLModel>& data = decoded.record->data;
            SettingsStore::shared().setBool(keys::isPinSeted, data && data->pinProtection);
            if (completion) {
                completion();
            }
        });
}

void CommonWS::handleLogoutResponse(const QByteArray& body, const std::function<void(bool)>& completion)
{
    const Decoded<LogoutModel> decoded = decodeRecord<LogoutModel>(body);
    if (!decoded) {
        printDecodingError(decoded.error);
        if (completion) {
            completion(false);
        }
        return;
    }
    diagnostics::printLine(QStringLiteral("Logout Response - ") + describe(*decoded.record));
    if (completion) {
        completion(decoded.record->status);
    }
}

void CommonWS::handleUninstallLogoutResponse(
    const QByteArray& body, const std::function<void(bool)>& completion)
{
    const Decoded<LogoutModel> decoded = decodeRecord<LogoutModel>(body);
    if (!decoded) {
        printDecodingError(decoded.error);
        return;
    }
    diagnostics::printLine(QStringLiteral("Logout Response - ") + describe(*decoded.record));
    if (decoded.record->status && completion) {
        completion(true);
    }
}
