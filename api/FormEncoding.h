#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The form fields of a request, sent in key order. Every value is text; numbers go as their
// decimal text.
using Parameters = QMap<QString, QString>;

// The body of an application/x-www-form-urlencoded request: "key=value" pairs joined by "&", keys and
// values as UTF-8 with every byte percent-escaped except the unreserved A-Z a-z 0-9 - . _ ~ (so a
// blank is "%20" and "+", "&", "=" arrive as themselves). No parameters give an empty body.
QByteArray formEncode(const Parameters& parameters);
