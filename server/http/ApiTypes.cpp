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

} // namespace answers

qint64 Call::userId() const
{
    return session->userId;
}

ApiResponse Call::missingField(const QString& name)
{
    return answers::failure(422, QStringLiteral("The %1 field is required.").arg(name));
}
