#include "AlertRecorder.h"

class RecordingPresenter : public AlertPresenter
{
public:
    explicit RecordingPresenter(AlertRecorder* recorder)
        : m_recorder(recorder)
    { }

    void present(const QString& message, const QString& informative, std::function<void()> onOk) override
    {
        m_recorder->m_alerts.append({message, informative, std::move(onOk)});
    }

private:
    AlertRecorder* m_recorder;
};

AlertRecorder::AlertRecorder()
    : m_previous(setAlertPresenter(std::make_unique<RecordingPresenter>(this)))
{ }

AlertRecorder::~AlertRecorder()
{
    setAlertPresenter(std::move(m_previous));
}

void AlertRecorder::pressOk()
{
    Q_ASSERT(!m_alerts.isEmpty());
    const Alert alert = m_alerts.takeFirst();
    if (alert.onOk) {
        alert.onOk();
    }
}
