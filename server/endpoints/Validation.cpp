#include "Validation.h"

#include "FormData.h"

#include <QList>

#include <algorithm>

namespace validation {

namespace {

bool hasControlCharacter(const QString& text)
{
    return std::any_of(
        text.cbegin(), text.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool isLocalPartCharacter(QChar c)
{
    static const QString allowed = QStringLiteral(".!#$%&'*+/=?^_`{|}~-");
    return (c.unicode() > 0x7f && c.isLetterOrNumber())
        || (c.unicode() < 0x80 && (c.isLetterOrNumber() || allowed.contains(c)));
}

bool isDomainLabel(QStringView label)
{
    if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-'))
        return false;
    return std::all_of(
        label.cbegin(), label.cend(), [](QChar c) { return c.isLetterOrNumber() || c == u'-'; });
}

} // namespace

bool isEmailAddress(const QString& text)
{
    if (text.size() > 254 || text.count(u'@') != 1)
        return false;
    const qsizetype at = text.indexOf(u'@');
    const QStringView local = QStringView(text).first(at);
    const QStringView domain = QStringView(text).sliced(at + 1);
    if (local.isEmpty() || local.size() > 64 || local.startsWith(u'.') || local.endsWith(u'.')
        || local.contains(u".."))
        return false;
    if (!std::all_of(local.cbegin(), local.cend(), isLocalPartCharacter))
        return false;
    const QList<QStringView> labels = domain.split(u'.');
    if (labels.size() < 2 || !std::all_of(labels.cbegin(), labels.cend(), isDomainLabel))
        return false;
    const QStringView topLevel = labels.last();
    return topLevel.size() >= 2
        && std::all_of(topLevel.cbegin(), topLevel.cend(), [](QChar c) { return c.isLetter(); });
}

bool isSixDigitPin(const QString& text)
{
    return text.size() == 6
        && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

std::optional<int> waitingHours(const QString& text)
{
    for (int hours : {12, 24, 48, foreverHours}) {
        if (text == QString::number(hours))
            return hours;
    }
    return std::nullopt;
}

qsizetype characterCount(const QString& text)
{
    return std::count_if(text.cbegin(), text.cend(), [](QChar c) { return !c.isLowSurrogate(); });
}

std::optional<QString> passwordRefusal(const QString& password)
{
    const qsizetype length = characterCount(password);
    if (length < minPasswordLength)
        return QStringLiteral("The password must be at least %1 characters.").arg(minPasswordLength);
    if (length > maxPasswordLength)
        return QStringLiteral("The password must be at most %1 characters.").arg(maxPasswordLength);
    return std::nullopt;
}

bool isAcceptableDomain(const QString& domain)
{
    return !domain.trimmed().isEmpty() && isAcceptableText(domain);
}

bool isAcceptableText(const QString& text)
{
    return characterCount(text) <= maxTextLength && !hasControlCharacter(text);
}

std::optional<qint64> positiveId(const QString& text)
{
    if (text.isEmpty() || text.size() > 18 || text.startsWith(u'0'))
        return std::nullopt;
    if (!std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    return text.toLongLong();
}

std::optional<ApiResponse> refuseForeignUserId(const Call& call)
{
    const QString given = call.form.valueOr(QStringLiteral("user_id"));
    if (given.isEmpty())
        return std::nullopt;
    const std::optional<qint64> id = positiveId(given);
    if (!id)
        return answers::failure(422, QStringLiteral("The user_id field must be a number."));
    if (*id != call.userId())
        return answers::failure(403, QStringLiteral("This account is not yours."));
    return std::nullopt;
}

} // namespace validation
