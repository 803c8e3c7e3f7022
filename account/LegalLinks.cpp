#include "LegalLinks.h"

#include "Localization.h"
#include "ScreenTexts.h"
#include "Storyboard.h"

#include <QAbstractButton>

LegalLinks::LegalLinks(Row english, Row french, QObject* parent)
    : QObject(parent)
{
    // The English row is English whatever the language: it shows only when the language is not French.
    screen_texts::setTitle(english.terms, QStringLiteral("terms"));
    screen_texts::setTitle(english.privacy, QStringLiteral("privacy"));
    screen_texts::setTitle(french.terms, localizedText(QStringLiteral("terms")));
    screen_texts::setTitle(french.privacy, localizedText(QStringLiteral("privacy")));
    const bool isFrench = localization::currentLanguageCode() == QLatin1String("fr");
    english.group->setVisible(!isFrench);
    french.group->setVisible(isFrench);
    for (const Row& row : {english, french}) {
        connect(row.terms, &QAbstractButton::clicked, this, [this] { open(QStringLiteral("TermsWC")); });
        connect(row.privacy, &QAbstractButton::clicked, this, [this] { open(QStringLiteral("PrivacyWC")); });
    }
}

LegalLinks::~LegalLinks() = default;

QWidget* LegalLinks::openWindow(const QString& identifier) const
{
    return identifier == QLatin1String("TermsWC") ? m_terms.get() : m_privacy.get();
}

void LegalLinks::open(const QString& identifier)
{
    std::unique_ptr<QWidget>& window = identifier == QLatin1String("TermsWC") ? m_terms : m_privacy;
    if (!window) {
        window.reset(Storyboard::main().instantiate(identifier));
    }
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}
