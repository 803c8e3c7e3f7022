#include "SecureTextField.h"

#include "Localization.h"

#include <QAction>
#include <QIcon>

SecureTextField::SecureTextField(QWidget* parent)
    : QLineEdit(parent)
    , m_toggle(addAction(QIcon(), QLineEdit::TrailingPosition))
{
    setEchoMode(QLineEdit::Password);
    connect(m_toggle, &QAction::triggered, this, [this] { setPasswordIsVisible(!passwordIsVisible()); });
    localization::followLanguage(this, [this] { updateToggle(); });
}

void SecureTextField::setPasswordIsVisible(bool visible)
{
    if (visible == passwordIsVisible()) {
        return;
    }
    setEchoMode(visible ? QLineEdit::Normal : QLineEdit::Password);
    updateToggle();
    Q_EMIT passwordIsVisibleChanged(visible);
}

bool SecureTextField::displayToggleButton() const
{
    return m_toggle->isVisible();
}

void SecureTextField::setDisplayToggleButton(bool display)
{
    m_toggle->setVisible(display);
}

void SecureTextField::updateToggle()
{
    // The button says what pressing it does.
    const bool visible = passwordIsVisible();
    m_toggle->setIcon(
        QIcon(visible ? QStringLiteral(":/icons/eye.slash.svg") : QStringLiteral(":/icons/eye.svg")));
    m_toggle->setText(
        localizedText(visible ? QStringLiteral("Hide password") : QStringLiteral("Show password")));
    m_toggle->setToolTip(m_toggle->text());
}
