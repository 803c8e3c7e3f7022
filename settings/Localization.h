#pragma once

#include <QString>

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

// Where the strings resources are found; the application's own resources unless a test points
// elsewhere.
QString resourceFolder();
void setResourceFolder(const QString& folder);

} // namespace localization
