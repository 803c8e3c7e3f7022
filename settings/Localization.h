#pragma once

#include <QString>

#include <functional>

class QObject;

// Interface texts in the language the user chose. Every text in the code is written in English and
// doubles as its own key in the strings resources ("en.strings", "fr.strings").

// The text to show for `key` in the language stored under CurrentLanguage (or the system's when
// none is stored). The resource is read anew at each call, so a change of language shows at the
// next lookup. A key the resource lacks, or a language without a resource, shows the English key.
QString localizedText(const QString& key);

namespace localization {

// CurrentLanguage when it holds a text, else the system's language code.
QString currentLanguageCode();
// The language code of the system's current locale ("en", "fr", ...).
QString systemLanguageCode();

// The run-time language switch. Calls `setTexts` now, and again each time the user chooses a language
// (the notification UpdateChooseLanguage with the language code), for as long as `screen` lives.
// Every screen that shows localized text sets all of it, accessible names included, in that one
// function and hands it over here once, when it is built: it then follows the language at once.
void followLanguage(QObject* screen, std::function<void()> setTexts);

// Where the strings resources are found; the application's own resources unless a test points
// elsewhere.
QString resourceFolder();
void setResourceFolder(const QString& folder);

} // namespace localization
