#include "Redaction.h"

namespace redaction {

QString hidden()
{
    return QStringLiteral("<redacted>");
}

QString lastFourOnly(const QString& secret)
{
    // Showing the last four of a text of eight or fewer would give away half of it or more.
    constexpr qsizetype shownCharacters = 4;
    if (secret.size() <= 2 * shownCharacters) {
        return hidden();
    }
    return QStringLiteral("****") + secret.right(shownCharacters);
}

QString shown(const QString& text, Shown how)
{
    switch (how) {
    case Shown::plainly:
        return text;
    case Shown::lastFourOnly:
        return lastFourOnly(text);
    case Shown::never:
        return hidden();
    }
    return hidden();
}

} // namespace redaction
