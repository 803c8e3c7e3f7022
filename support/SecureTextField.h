#pragma once

#include <QLineEdit>

class QAction;

// A text field for passwords and PINs. It masks its text unless `passwordIsVisible` is set, and can
// show an eye button at its end that lets the user see the text or mask it again. A masked field
// never gives its text away: copying is off and assistive technologies read only the mask. The eye
// button's name follows the interface language.
class SecureTextField : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(bool passwordIsVisible READ passwordIsVisible WRITE setPasswordIsVisible NOTIFY
            passwordIsVisibleChanged)
    Q_PROPERTY(bool displayToggleButton READ displayToggleButton WRITE setDisplayToggleButton)

public:
    explicit SecureTextField(QWidget* parent = nullptr);

    // Whether the text is drawn in clear; false (masked) at creation.
    bool passwordIsVisible() const { return echoMode() == QLineEdit::Normal; }
    void setPasswordIsVisible(bool visible);

    // Whether the eye button is shown; true at creation. A field whose content the user must not
    // learn (a hidden PIN) turns it off.
    bool displayToggleButton() const;
    void setDisplayToggleButton(bool display);

    // The eye button's action.
    QAction* toggleAction() const { return m_toggle; }

Q_SIGNALS:
    void passwordIsVisibleChanged(bool visible);

private:
    void updateToggle();

    QAction* m_toggle;
};
