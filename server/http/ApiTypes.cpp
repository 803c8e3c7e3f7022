#include "ApiTypes.h"

#include "FormData.h"
#include "ServerBuild.h"
#include "SessionStore.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace answers {

ApiResponse envelope(bool status, int code, const QString& msg, const QJsonValue& data, int httpStatus)
{
    QJsonObject object {{QStringLiteral("status"), status}, {QStringLiteral("code"), code},
        {QStringLiteral("msg"), msg}, {QStringLiteral("version"), QString::fromLatin1(serverbuild::version)}};
    if (!data.isUndefined())
        object.insert(QStringLiteral("data"), data);
    ApiResponse response;
    response.httpStatus = httpStatus;
    response.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return response;
}

ApiResponse success(const QString& msg, const QJsonValue& data)
{
    return envelope(true, resultcode::ok, msg, data);
}

ApiResponse refusal(int code, const QString& msg, const QJsonValue& data)
{
    return envelope(false, code, msg, data);
}

ApiResponse failure(int httpStatus, const QString& msg)
{
    return envelope(false, httpStatus, msg, QJsonValue::Undefined, httpStatus);
}

ApiResponse tooManyRequests(const QString& what, qint64 retryAfterSeconds)
{
    const qint64 minutes = (retryAfterSeconds + 59) / 60;
    ApiResponse answer = failure(429,
        what + u' '
            + (minutes <= 1 ? QStringLiteral("Please try again in a minute.")
                            : QStringLiteral("Please try again in %1 minutes.").arg(minutes)));
    answer.headers.append(qMakePair(QByteArray("Retry-After"), QByteArray::number(retryAfterSeconds)));
    return answer;
}

} // namespace answers

qint64 Call::userId() const
{
    return session->userId;
}

ApiResponse Call::missingField(const QString& name)
{
    return answers::failure(422, QStringLiteral("The %1 field is required.").arg(name));
}
