#include "EmailAddress.h"

#include <QRegularExpression>

bool isValidEmailAddress(const QString& text)
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,64}")));
    return pattern.match(text).hasMatch();
}
