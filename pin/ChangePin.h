#pragma once

#include "PendingRequest.h"
#include "Records.h"

#include <QDialog>

#include <memory>

class MainWindowHost;
class OnlyIntegerValueFormatter;
class PinBlockNotice;

namespace Ui {
class ChangePin;
}

// Replaces the PIN on the server: the old PIN, and a new one typed twice or drawn at random and kept
// hidden. Only the server judges the old PIN; a change counts as a PIN try.
class ChangePin : public QDialog
{
    Q_OBJECT

public:
    // The box around the fields: with the confirmation field, and without it once a hidden PIN is drawn.
    static constexpr int boxHeightWithConfirmation = 246;
    static constexpr int boxHeightWithoutConfirmation = 190;

    explicit ChangePin(MainWindowHost& host, QWidget* parent = nullptr);
    ~ChangePin() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setTexts();
    void randomPin();
    // An edit of a hidden PIN discards it whole, and the confirmation comes back.
    void newPinEdited();
    void showConfirmation(bool shown);
    void submit();
    void handleAnswer(const std::optional<BaseModel<UpdatePinModel>>& record, bool decoded);
    void cancel();
    void clearFields();
    void updateControls();

    std::unique_ptr<Ui::ChangePin> m_ui;
    MainWindowHost& m_host;
    OnlyIntegerValueFormatter* m_onlyIntFormatter; // child
    PendingRequest m_request;
    PinBlockNotice* m_blockNotice; // child
    bool m_hiddenPinDrawn = false;
};
