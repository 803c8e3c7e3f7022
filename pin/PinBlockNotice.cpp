#include "PinBlockNotice.h"

#include "Alert.h"
#include "MessageTable.h"
#include "PinBlock.h"

#include <QLabel>

PinBlockNotice::PinBlockNotice(QLabel* caption, QObject* parent)
    : QObject(parent)
    , m_caption(caption)
{
    m_ticks.setInterval(std::chrono::seconds(1));
    connect(&m_ticks, &QTimer::timeout, this, &PinBlockNotice::refresh);
    refresh();
}

bool PinBlockNotice::blocks() const
{
    return PinBlock::current().isActive();
}

void PinBlockNotice::refresh()
{
    const bool blocked = blocks();
    if (m_caption) {
        const bool shown = m_caption->isVisibleTo(m_caption->window());
        m_caption->setText(blocked ? PinBlock::current().timeLeftText() : QString());
        m_caption->setVisible(blocked);
        if (shown != blocked && m_caption->window()->isVisible()) {
            m_caption->window()->adjustSize(); // the sheet grows with its caption, and shrinks back
        }
    }
    if (blocked && !m_ticks.isActive()) {
        m_ticks.start();
    } else if (!blocked) {
        m_ticks.stop();
    }
    Q_EMIT changed();
}

void showPinRefusal(const QString& message)
{
    const PinBlock& block = PinBlock::current();
    showAlert(messages::ooops(), block.isActive() ? message + '\n' + block.timeLeftText() : message);
}
