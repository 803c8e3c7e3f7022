#include "OnlyIntegerValueFormatter.h"

#include <algorithm>

namespace {

bool onlyDigits(const QString& text)
{
    // Only the ASCII digits: QChar::isDigit() would also let Arabic-Indic or full-width digits through.
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= '0' && c <= '9'; });
}

} // namespace

QValidator::State OnlyIntegerValueFormatter::validate(QString& input, int& /*position*/) const
{
    if (input.size() > pinLength || !onlyDigits(input)) {
        return Invalid;
    }
    return input.size() == pinLength ? Acceptable : Intermediate;
}

bool isSixDigitPin(const QString& text)
{
    return text.size() == OnlyIntegerValueFormatter::pinLength && onlyDigits(text);
}
