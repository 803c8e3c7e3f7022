#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>

// A request as the HTTP layer hands it over, and the answer it sends back. Nothing below the HTTP layer
// knows which HTTP library carries them.
struct ApiRequest
{
    QByteArray method;
    QByteArray path; // decoded, without the query string
    QByteArray query; // raw, without "?"
    QByteArray authorization;
    QByteArray contentType;
    QByteArray cookie;
    QByteArray requestedWith; // X-Requested-With, which a page of another site cannot send without asking
    QByteArray body;
    QString remoteAddress;
};

struct ApiResponse
{
    int httpStatus = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

// The server's result codes in the envelope's "code": HTTP's numbers for the same meanings.
namespace resultcode {
inline constexpr int ok = 200;
inline constexpr int badCredentials = 401;
inline constexpr int notFound = 404;
inline constexpr int conflict = 409;
inline constexpr int invalid = 422;
inline constexpr int locked = 423;
inline constexpr int verifyPinFirst = 428;
} // namespace resultcode

// Every JSON answer is an envelope: status, code, msg, version and, when there is one, data.
namespace answers {

ApiResponse envelope(bool status, int code, const QString& msg,
    const QJsonValue& data = QJsonValue::Undefined, int httpStatus = 200);
// Accepted (status true, code 200).
ApiResponse success(const QString& msg, const QJsonValue& data = QJsonValue::Undefined);
// Refused for a reason the user is shown (HTTP 200, status false).
ApiResponse refusal(int code, const QString& msg, const QJsonValue& data = QJsonValue::Undefined);
// A protocol-level failure: the HTTP status and the envelope's code are the same.
ApiResponse failure(int httpStatus, const QString& msg);
// 429, with Retry-After and a message that says how long to wait.
ApiResponse tooManyRequests(const QString& what, qint64 retryAfterSeconds);

} // namespace answers

class FormData;
struct SessionRecord;

// One request on its way to an endpoint: its fields, its query, and the session it came with.
struct Call
{
    const FormData& form;
    const FormData& query;
    const SessionRecord* session = nullptr; // set for every endpoint that needs a signed-in user
    QString remoteAddress;

    qint64 userId() const;
    // The 422 answer when a field the endpoint needs is not in the request at all.
    static ApiResponse missingField(const QString& name);
};
