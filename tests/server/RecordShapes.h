#pragma once

#include <QJsonValue>
#include <QString>

// The records the application decodes from the server's answers, written down key by key with their
// JSON types and whether they are required, and a checker that decodes as strictly as the application
// does: a required key must be present with exactly its type (null is not a value), an optional one may
// be missing or null but not of another type, nested records and array elements included.
//
// Names: "AuthModel", "CheckPinModel", ... and "BaseModel<AuthModel>" for the envelope around one.
namespace shapes {

// Empty when the value decodes as the record; otherwise what is wrong, with the path to it.
QString mismatch(const QJsonValue& value, const QString& record);

} // namespace shapes
