#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;

// Shows the PIN's block (PinBlock) in a caption under a sheet's PIN field, with its time left kept
// current, and tells the sheet when to look at its controls again: no PIN try may be sent while the
// block lasts.
class PinBlockNotice : public QObject
{
    Q_OBJECT

public:
    PinBlockNotice(QLabel* caption, QObject* parent);

    // Reads the block again: shows or hides the caption and follows the block until it ends.
    void refresh();
    bool blocks() const;

Q_SIGNALS:
    // After every refresh: the sheet enables or disables what sends a try.
    void changed();

private:
    QPointer<QLabel> m_caption;
    QTimer m_ticks;
};

// The alert of a refused PIN try: "Ooops", the server's message and, when the server has blocked the
// PIN, the time left.
void showPinRefusal(const QString& message);
