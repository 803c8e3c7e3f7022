#pragma once

#include "PendingRequest.h"
#include "Records.h"

#include <QDialog>

#include <memory>

class QButtonGroup;

namespace Ui {
class setWaitingTimeWC;
}

// The second sheet of the PIN setup: the waiting time after which the server may mail the PIN back on
// request (12, 24 or 48 hours, or forever). "Set Time" sends the PIN, which this sheet holds in memory
// only, with the waiting time; the PIN counts as set once the server has accepted it.
class setWaitingTimeWC : public QDialog
{
    Q_OBJECT

public:
    setWaitingTimeWC(const QString& pin, QWidget* parent = nullptr);
    ~setWaitingTimeWC() override;

    // The waiting time in hours, exactly as it is sent.
    const QString& hours() const { return m_hours; }

    // The action of the choice buttons: tags 0 to 3 choose 12, 24, 48 hours or forever ("175200", twenty
    // years); any other tag changes nothing.
    void selectedHours(int tag);

private:
    // `designedSpacing`: the room between the choices in English, as the form lays them out.
    void setTexts(int designedSpacing);
    void setTime();
    void handleAnswer(const std::optional<BaseModel<SetupPinModel>>& record, bool decoded);

    std::unique_ptr<Ui::setWaitingTimeWC> m_ui;
    QButtonGroup* m_choices; // child
    QString m_pin; // never stored or printed; dropped once the server has it
    QString m_hours = QStringLiteral("12");
    PendingRequest m_request;
};
