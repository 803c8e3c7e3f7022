#pragma once

#include "AlertRecorder.h"
#include "CustomWindow.h"
#include "FakeApplication.h"
#include "LogCapture.h"
#include "MainWindowHost.h"
#include "NotificationCenter.h"
#include "PinBlock.h"
#include "PinState.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDateTime>
#include <QLineEdit>
#include <QTest>
#include <QTimeZone>
#include <QUrlQuery>

#include <memory>

Q_DECLARE_METATYPE(PinAction)

// The main window that the PIN sheets are begun on; a test can take it away.
class TestWindowHost : public MainWindowHost
{
public:
    CustomWindow* mainWindow() const override { return window.get(); }

    std::unique_ptr<CustomWindow> window = std::make_unique<CustomWindow>();
};

// Every value posted under one notification name while it lives.
class NotificationSpy
{
public:
    explicit NotificationSpy(const char* name)
    {
        NotificationCenter::shared().addObserver(
            &m_owner, QString::fromLatin1(name), [this](const QVariant& value) { values.append(value); });
    }

    QList<QVariant> values;

private:
    QObject m_owner;
};

// What the PIN sheets need around them, for one test: the application over fakes (an account server
// answering from memory, networksetup scripted), a shown main window, the alerts and the log, and the
// process's PIN state as at start.
class PinSheetsFixture
{
public:
    PinSheetsFixture()
    {
        pendingPinAction = PinAction::none;
        retrieveFromStartGate = false;
        PinBlock::current().clear();
        host.window->resize(800, 500);
        host.window->show();
        app.services.api().startReachability();
    }
    ~PinSheetsFixture() { host.window.reset(); }

    // Waits until the first report of the internet route has been answered: requests go out from then.
    bool reachable() { return log.waitFor(QStringLiteral("reachability changed")) && log.waitForAnswers(); }

    SettingsStore& settings() { return SettingsStore::shared(); }
    CustomWindow& window() { return *host.window; }
    QDialog* sheet() const { return host.window ? host.window->attachedSheet() : nullptr; }

    // The form fields of the last request to `path` ("checkPin"), as the server read them.
    QUrlQuery lastRequestTo(const QString& path) const
    {
        for (auto it = app.server.requests().crbegin(); it != app.server.requests().crend(); ++it) {
            if (it->url().path() == "/api/v3/" + path) {
                return QUrlQuery(QString::fromUtf8(it->body).replace('+', ' '));
            }
        }
        return {};
    }
    // Sets the answer of every request from now on.
    void answer(const QByteArray& body, int status = 200)
    {
        app.server.respondWith(FakeResponse::answer(status, body));
    }
    void failTransport()
    {
        app.server.respondWith(FakeResponse::failure(QNetworkReply::ConnectionRefusedError, "refused"));
    }

    TestWindowHost host;
    FakeApplication app {host};
    AlertRecorder alerts;
    LogCapture log;
};

// An answer of the account server: the envelope, and `data` as JSON ("null" for none).
inline QByteArray envelope(bool status, const QString& msg, const QByteArray& data = "null", int code = 200)
{
    return R"({"status":)" + QByteArray(status ? "true" : "false") + R"(,"code":)" + QByteArray::number(code)
        + R"(,"msg":")" + msg.toUtf8() + R"(","version":"3","data":)" + data + "}";
}

// A PIN record as checkPin, retrievePin and updatePin send it. `pin` as JSON (0 or a quoted text);
// `blockedFor`: seconds until the server's block ends, none when not blocked.
inline QByteArray pinRecord(const QByteArray& pin = "0", const QByteArray& time = "12", int blockedFor = 0)
{
    const QByteArray until = blockedFor > 0 ? '"'
            + QDateTime::fromSecsSinceEpoch(1800000000 + blockedFor, QTimeZone::utc())
                  .toString("yyyy-MM-dd'T'HH:mm:ss'.000000Z'")
                  .toUtf8()
            + '"'
                                            : QByteArray("null");
    return R"({"id":1,"user_id":7,"time":)" + time + R"(,"pin":)" + pin + R"(,"is_block":)"
        + (blockedFor > 0 ? "1" : "0") + R"(,"blocked_until":)" + until
        + R"(,"current_time":"2027-01-15T08:00:00.000000Z","created_at":"2027-01-15T07:00:00.000000Z",)"
          R"("updated_at":"2027-01-15T07:00:00.000000Z","deleted_at":null})";
}

inline void click(QAbstractButton* button)
{
    QVERIFY2(button && button->isVisible() && button->isEnabled(),
        qPrintable(
            QStringLiteral("cannot press %1").arg(button ? button->objectName() : QStringLiteral("null"))));
    QTest::mouseClick(button, Qt::LeftButton);
}

template<typename Widget = QAbstractButton>
Widget* outlet(QWidget* sheet, const char* name)
{
    return sheet ? sheet->findChild<Widget*>(QString::fromLatin1(name)) : nullptr;
}

// Every button and field of `sheet` that is shown has an accessible name; none names or reads a secret.
inline void verifyAccessibleNames(QWidget* sheet, const QString& secret)
{
    QList<QWidget*> controls;
    for (QAbstractButton* button : sheet->findChildren<QAbstractButton*>()) {
        controls.append(button);
    }
    for (QLineEdit* field : sheet->findChildren<QLineEdit*>()) {
        controls.append(field);
    }
    for (QWidget* control : controls) {
        if (!control->isVisibleTo(sheet)) {
            continue;
        }
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible);
        const QString name = accessible->text(QAccessible::Name);
        QVERIFY2(!name.isEmpty(), qPrintable(control->objectName() + " has no accessible name"));
        if (!secret.isEmpty()) {
            QVERIFY2(!name.contains(secret), qPrintable(control->objectName()));
            QVERIFY2(
                !accessible->text(QAccessible::Value).contains(secret), qPrintable(control->objectName()));
        }
    }
}
