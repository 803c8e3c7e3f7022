#include "GenericApplicationIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace simulated {

namespace {

class GenericApplicationIconEngine : public QIconEngine
{
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const qreal side = std::min(rect.width(), rect.height());
        const QRectF square(rect.x() + (rect.width() - side) / 2 + side * 0.06,
            rect.y() + (rect.height() - side) / 2 + side * 0.06, side * 0.88, side * 0.88);
        QPainterPath outline;
        outline.addRoundedRect(square, side * 0.2, side * 0.2);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(outline, mode == QIcon::Disabled ? QColor(200, 200, 200) : QColor(142, 142, 147));
        painter->fillRect(
            square.adjusted(side * 0.2, side * 0.2, -side * 0.2, -side * 0.2), QColor(242, 242, 247));
        painter->restore();
    }

    QIconEngine* clone() const override { return new GenericApplicationIconEngine(*this); }
    QString key() const override { return QStringLiteral("BrevakGenericApplicationIcon"); }
};

} // namespace

QIcon genericApplicationIcon()
{
    return QIcon(new GenericApplicationIconEngine());
}

} // namespace simulated
