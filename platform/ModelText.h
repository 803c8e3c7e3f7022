#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The computer's model name from the bytes the system keeps it in: strict UTF-8 with the control
// characters at both ends (a trailing NUL or line break) trimmed; the empty text when the bytes are not
// valid UTF-8.
QString modelText(const QByteArray& bytes);

} // namespace platform
