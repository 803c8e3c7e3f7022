#pragma once

#include <QAbstractButton>
#include <QColor>

// An on/off switch in the manner of macOS: a rounded track with a knob on the side of its state.
// It is a checkable button, so Space toggles it, toggled() reports it, and screen readers announce it
// as a check box under its accessible name (set one on every switch: "Protection on", an
// application's name). The application style sheet gives its colours; without one it takes them
// from the palette.
class Switch : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QColor onColor MEMBER m_onColor)
    Q_PROPERTY(QColor offColor MEMBER m_offColor)
    Q_PROPERTY(QColor knobColor MEMBER m_knobColor)
    Q_PROPERTY(QColor focusColor MEMBER m_focusColor)

public:
    explicit Switch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_onColor;
    QColor m_offColor;
    QColor m_knobColor;
    QColor m_focusColor;
};
