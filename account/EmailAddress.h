#pragma once

#include <QString>

// Whether the whole text is an e-mail address as the sign-in and sign-up sheets accept it: a local
// part of letters, digits and "._%+-", "@", a domain of letters, digits, "." and "-", then a dot and
// 2 to 64 letters. Blanks anywhere make it invalid.
bool isValidEmailAddress(const QString& text);
