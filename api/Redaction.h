#pragma once

#include <QString>

// How the log may show a value: secrets (session tokens, PINs, passwords, one-time codes) never
// reach it whole.
enum class Shown {
    plainly,
    lastFourOnly, // tokens: enough to tell two apart, useless to anyone reading the log
    never,
};

namespace redaction {

// What the log shows in place of a secret.
QString hidden();
// "****" followed by the last four characters; short texts are hidden whole.
QString lastFourOnly(const QString& secret);
QString shown(const QString& text, Shown how);

} // namespace redaction
