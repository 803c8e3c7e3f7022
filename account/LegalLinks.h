#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QAbstractButton;

// The terms-of-use and privacy links of the sign-in and sign-up sheets: an English row ("terms",
// "privacy") and a French one ("conditions d'utilisation", "politique de confidentialité"), of which
// only the row of the interface language shows. Each link opens its window (TermsWC, PrivacyWC); a
// window already open is brought to the front.
class LegalLinks : public QObject
{
    Q_OBJECT

public:
    struct Row
    {
        QWidget* group;
        QAbstractButton* terms;
        QAbstractButton* privacy;
    };

    LegalLinks(Row english, Row french, QObject* parent = nullptr);
    ~LegalLinks() override;

    // The window opened for "TermsWC" or "PrivacyWC", if any.
    QWidget* openWindow(const QString& identifier) const;

private:
    void open(const QString& identifier);

    std::unique_ptr<QWidget> m_terms;
    std::unique_ptr<QWidget> m_privacy;
};
