#pragma once

#include <QValidator>

// Vets what is typed or pasted into a PIN field: digits only, at most six. An edit that would put
// anything else into the field (a letter, a blank, a sign, a seventh digit) is refused whole and the
// field keeps its previous text.
class OnlyIntegerValueFormatter : public QValidator
{
    Q_OBJECT

public:
    static constexpr int pinLength = 6;

    using QValidator::QValidator;

    // Six digits are a whole PIN; fewer digits, the empty text included, are one on its way.
    State validate(QString& input, int& position) const override;
};

// Whether `text` is a PIN as the server takes it: exactly six digits 0-9.
bool isSixDigitPin(const QString& text);
