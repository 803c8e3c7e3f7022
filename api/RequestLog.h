#pragma once

#include "FormEncoding.h"

#include <QMap>
#include <QString>

// Texts of the request and answer dumps in the log. Secrets are never written out: the bearer token
// shows only its last four characters, passwords, PINs and OAuth access tokens not at all.
namespace request_log {

// A line of 74 "=".
QString separator();

// ["email": "a@example.com", "password": "<redacted>"], or [:] when empty.
QString parametersText(const Parameters& parameters);
// ["Authorization": "Bearer ****wxyz", "X-localization": "en"]
QString headersText(const QMap<QString, QString>& headers);

} // namespace request_log
