#pragma once

#include "PendingRequest.h"
#include "Records.h"

#include <QDialog>

#include <optional>

class MainWindowHost;
class PinBlockNotice;
class QLabel;
class QPushButton;
class RetrivePinPage;
class SecureTextField;

// What both PIN gates share: the PIN field, the check that the server decides, the attempt number
// kept in the settings store, the server's block, and the request for the PIN by e-mail that leads to
// the retrieval page. The in-app gate (VerifyPin) and the start gate (VerifyPinOnStart) differ in what
// an accepted PIN, a cancel and a retrieval lead to.
class PinGate : public QDialog
{
    Q_OBJECT

public:
    ~PinGate() override;

    // The server blocks the PIN after this many wrong tries in a row.
    static constexpr qint64 allowedAttempts = 3;

    // The attempt number to store after the server refused a check with `message`. A wrong PIN counts
    // one more, never past the server's limit; when the server says the PIN is now blocked, the count
    // starts again after the block.
    static qint64 attemptAfterRefusal(qint64 attempt, const QString& message, bool blockedNow);

    RetrivePinPage* retrievePage() const { return m_retrievePage; }

protected:
    // The gate's widgets, from its own form.
    struct Outlets
    {
        QLabel* lblEnterPinToVerify;
        SecureTextField* pinTF;
        QLabel* lblPinBlocked;
        QPushButton* btnRetrieve;
        QPushButton* btnCancel;
        QPushButton* btnVerify;
    };

    PinGate(MainWindowHost& host, QWidget* parent);

    // Call once the form is set up: texts, the formatter, the attempt number, the buttons' actions.
    void windowDidLoad(const Outlets& outlets);

    MainWindowHost& host() const { return m_host; }
    PendingRequest& request() { return m_request; }
    SecureTextField& pinField() const { return *m_outlets.pinTF; }

    // Ends the gate's sheet on the main window (closes it when there is none).
    void endSheet();
    // Asks the server to mail the PIN; `accepted` runs with the server's message when it agreed.
    void sendRetrieval(std::function<void(const QString& message)> accepted);

    // Enables what sends a try or a request, from the requests out and the server's block.
    void updateControls();
    // Whether the gate is carrying out an accepted action: then nothing can be pressed, Cancel included.
    virtual bool actionUnderWay() const { return false; }

    // The server accepted the PIN.
    virtual void pinAccepted() = 0;
    // The user pressed OK on "Error in pin verify".
    virtual void undecodedCheckAcknowledged() { }
    virtual void cancel() = 0;
    virtual void retrieve() = 0;

    void showEvent(QShowEvent* event) override;

private:
    void setTexts();
    void verify();
    void handleCheck(const std::optional<BaseModel<CheckPinModel>>& record, bool decoded);

    MainWindowHost& m_host;
    Outlets m_outlets {};
    RetrivePinPage* m_retrievePage; // child
    PendingRequest m_request;
    PinBlockNotice* m_blockNotice = nullptr; // child
    qint64 m_attemp = 1; // the attempt number of the check in flight
};
