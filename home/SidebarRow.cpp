#include "SidebarRow.h"

#include "Theme.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>

namespace {

constexpr int iconSide = 18;
constexpr int rowHeight = 36;

} // namespace

SidebarRow::SidebarRow(
    int tag, const QString& icon, const QString& selectedIcon, const QString& labelName, QWidget* parent)
    : QAbstractButton(parent)
    , m_tag(tag)
    , m_icon(icon)
    , m_selectedIcon(selectedIcon)
    , m_image(new QLabel(this))
    , m_label(new QLabel(this))
{
    m_label->setObjectName(labelName);
    setFocusPolicy(Qt::StrongFocus);
    // Checked while selected, so that screen readers say which row is the current one.
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(theme::spacing(1), 0, theme::spacing(1), 0);
    layout->setSpacing(theme::spacing(1));
    layout->addWidget(m_image);
    layout->addWidget(m_label, 1);
    m_image->setFixedSize(iconSide, iconSide);
    m_image->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setSelected(false);
}

void SidebarRow::setSelected(bool selected)
{
    m_selected = selected;
    const qreal ratio = devicePixelRatioF();
    m_image->setPixmap(QIcon(QStringLiteral(":/icons/%1.svg").arg(selected ? m_selectedIcon : m_icon))
                           .pixmap(QSize(iconSide, iconSide), ratio));
    QFont font = m_label->font();
    font.setPointSize(theme::captionPointSize);
    font.setWeight(selected ? QFont::Medium : QFont::Normal);
    m_label->setFont(font);
    setChecked(selected);
    update();
}

void SidebarRow::setLabelText(const QString& text)
{
    m_label->setText(text);
    setAccessibleName(text);
}

QSize SidebarRow::sizeHint() const
{
    return {layout()->sizeHint().width(), rowHeight};
}

void SidebarRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(box, 8, 8);
    if (m_selected) {
        // The selection background: a pale wash of the accent with the accent as its edge.
        QColor wash = theme::commonOrange();
        wash.setAlpha(38);
        painter.fillPath(outline, wash);
    } else if (underMouse()) {
        painter.fillPath(outline, theme::line().lighter(106));
    }
    if (hasFocus()) {
        painter.setPen(QPen(theme::textOrange(), 2));
        painter.drawPath(outline);
    }
}
