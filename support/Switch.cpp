#include "Switch.h"

#include <QPainter>

namespace {

constexpr QSize trackSize(38, 22);
constexpr int ringWidth = 2; // room for the focus ring around the track
constexpr int knobInset = 2;

QColor orFallback(const QColor& colour, const QColor& fallback)
{
    return colour.isValid() ? colour : fallback;
}

} // namespace

Switch::Switch(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Switch::sizeHint() const
{
    return trackSize + QSize(2 * ringWidth, 2 * ringWidth);
}

void Switch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        painter.setOpacity(0.45);
    }
    QRectF track(QPointF(0, 0), trackSize);
    track.moveCenter(QRectF(rect()).center());
    const qreal radius = track.height() / 2;

    if (hasFocus()) {
        painter.setPen(QPen(orFallback(m_focusColor, palette().color(QPalette::Highlight)), ringWidth));
        painter.setBrush(Qt::NoBrush);
        const qreal outset = ringWidth / 2.0;
        painter.drawRoundedRect(
            track.adjusted(-outset, -outset, outset, outset), radius + outset, radius + outset);
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? orFallback(m_onColor, palette().color(QPalette::Highlight))
                                 : orFallback(m_offColor, palette().color(QPalette::Mid)));
    painter.drawRoundedRect(track, radius, radius);

    const qreal diameter = track.height() - 2 * knobInset;
    const qreal knobX = isChecked() ? track.right() - knobInset - diameter : track.left() + knobInset;
    painter.setBrush(orFallback(m_knobColor, palette().color(QPalette::Base)));
    painter.drawEllipse(QRectF(knobX, track.top() + knobInset, diameter, diameter));
}
