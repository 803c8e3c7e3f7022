#pragma once

#include "AlertRecorder.h"
#include "ApiManager.h"
#include "ApiWindowHost.h"
#include "FakeInternetRoute.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "TemporarySimulatedMac.h"

#include <QStringList>

#include <memory>

// Windows as the API client sees them. Every call is written down together with what the settings
// store held at that moment, so tests see the order of the session-expiry sequence.
class RecordingWindowHost : public ApiWindowHost
{
public:
    explicit RecordingWindowHost(std::shared_ptr<QStringList> events, bool mainWindow = true)
        : m_events(std::move(events))
        , m_mainWindow(mainWindow)
    { }

    bool hasMainWindow() const override { return m_mainWindow; }
    void raiseFrontWindow() override { record(QStringLiteral("raise front window")); }
    void endAttachedSheet() override { record(QStringLiteral("end sheet")); }
    void showStartScreen() override { record(QStringLiteral("start screen")); }

private:
    void record(const QString& event)
    {
        const SettingsStore& store = SettingsStore::shared();
        m_events->append(event
            + QStringLiteral(" (token %1, isLoggedOut %2)")
                  .arg(store.textValue(keys::loginToken) ? "stored" : "gone",
                      store.boolValue(keys::isLoggedOut) ? "true" : "false"));
    }

    std::shared_ptr<QStringList> m_events;
    bool m_mainWindow;
};

// An API client of the test's own, with what it needs around it: the settings of a temporary
// simulated Mac, a notification centre, the log, the alerts and an internet route the test controls.
struct ApiClient
{
    explicit ApiClient(FakeInternetRoute route = FakeInternetRoute())
        : route(std::move(route))
    { }

    // Starts watching the route and waits until the synchronisation of its first report is answered.
    bool startReachable()
    {
        api.startReachability();
        const bool answered = log.waitFor(QStringLiteral("reachability changed")) && log.waitForAnswers();
        log.clear();
        return answered;
    }

    TemporarySimulatedMac mac;
    NotificationCenter notifications;
    NotificationCenter::Registration notificationsRegistration {notifications};
    LogCapture log;
    AlertRecorder alerts;
    FakeInternetRoute route;
    std::unique_ptr<Reachability> monitor = route.monitor();
    ApiManager api {monitor.get()};
};
