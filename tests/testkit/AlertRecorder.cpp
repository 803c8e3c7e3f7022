#include "AlertRecorder.h"

void AlertRecorder::pressOk()
{
    Q_ASSERT(!m_alerts.isEmpty());
    const Alert alert = m_alerts.takeFirst();
    if (alert.onOk) {
        alert.onOk();
    }
}
