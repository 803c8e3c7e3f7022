#include "AlertRecorder.h"

void AlertRecorder::present(const QString& message, const QString& informative, Handler closed)
{
    m_alerts.append({message, informative, std::move(closed)});
    ++m_shown;
}

void AlertRecorder::close(const QString& message, const QString& informative)
{
    const auto it = std::find_if(m_alerts.begin(), m_alerts.end(),
        [&](const Alert& alert) { return alert.message == message && alert.informative == informative; });
    Q_ASSERT(it != m_alerts.end());
    const Alert alert = *it;
    m_alerts.erase(it);
    alert.closed();
}

void AlertRecorder::pressOk()
{
    Q_ASSERT(!m_alerts.isEmpty());
    const Alert alert = m_alerts.takeFirst();
    alert.closed();
}

QStringList AlertRecorder::informatives() const
{
    QStringList texts;
    for (const Alert& alert : m_alerts)
        texts << alert.informative;
    return texts;
}
