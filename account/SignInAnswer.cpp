#include "SignInAnswer.h"

#include "Diagnostics.h"
#include "RecordDescription.h"

namespace sign_in {

void handleAnswer(const QByteArray& body, const Completion<Answer>& completion)
{
    CommonWS::decodeResponse<Answer>(body, [&completion](const std::optional<Answer>& answer, bool decoded) {
        if (answer && answer->status) {
            storeUserFields(answer->data);
        }
        if (completion) {
            completion(answer, decoded);
        }
    });
}

void sendLogin(
    const Parameters& parameters, Completion<Answer> completion, ApiManager::FailureHandler onFailure)
{
    ApiManager::shared().request(
        WebService::login, parameters,
        [onFailure = std::move(onFailure)](const ApiError& error) {
            CommonWS::printFailure(error);
            if (onFailure) {
                onFailure(error);
            }
        },
        [completion = std::move(completion)](const QByteArray& body) { handleAnswer(body, completion); });
}

Parameters emailParameters(const QString& email, const QString& password, const QString& platformUniqueId)
{
    return {
        {QStringLiteral("email"), email},
        {QStringLiteral("password"), password},
        {QStringLiteral("social_media"), QStringLiteral("0")},
        {QStringLiteral("platform_unique_id"), platformUniqueId},
    };
}

Parameters socialParameters(Provider provider, const QString& email, const QString& accessToken,
    const QString& profileId, const QString& deviceModel, const QString& platformUniqueId)
{
    return {
        {QStringLiteral("email"), email},
        {QStringLiteral("social_media"), QString::number(int(provider))},
        {QStringLiteral("token"), accessToken},
        {QStringLiteral("device_name"), deviceModel},
        {QStringLiteral("profile_id"), profileId},
        {QStringLiteral("platform_unique_id"), platformUniqueId},
    };
}

void printOutcome(const std::optional<Answer>& answer, bool decoded)
{
    diagnostics::printLine(
        QStringLiteral("Model Response - ") + (answer ? describe(*answer) : QStringLiteral("nil")));
    diagnostics::printLine(QStringLiteral("Is Success - ") + (decoded ? "true" : "false"));
}

void printUndecodable()
{
    diagnostics::printLine(
        QStringLiteral("============== Error while decoding the model response ==================="));
}

void openSession(const Answer& answer, Way way)
{
    SettingsStore& settings = SettingsStore::shared();
    settings.setBool(keys::isLogin, true);
    if (answer.data) {
        settings.setInteger(keys::userId, answer.data->id);
        settings.setString(keys::loginToken, answer.data->token);
    } else {
        settings.remove(keys::userId);
        settings.remove(keys::loginToken);
    }
    if (way == Way::signIn) {
        settings.setBool(keys::isLoggedOut, false);
    }
}

} // namespace sign_in
