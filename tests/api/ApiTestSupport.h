#pragma once

#include "ApiWindowHost.h"
#include "FakeFlagsSource.h"
#include "Reachability.h"
#include "SettingsStore.h"

#include <QFile>
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
    void raiseFrontWindow() override
    {
        m_events->append(QStringLiteral("raise front window") + storeState());
    }
    void endAttachedSheet() override { m_events->append(QStringLiteral("end sheet") + storeState()); }
    void showStartScreen() override { m_events->append(QStringLiteral("start screen") + storeState()); }

private:
    static QString storeState()
    {
        const SettingsStore& store = SettingsStore::shared();
        return QStringLiteral(" (token %1, isLoggedOut %2)")
            .arg(store.textValue(keys::loginToken) ? "stored" : "gone",
                store.boolValue(keys::isLoggedOut) ? "true" : "false");
    }

    std::shared_ptr<QStringList> m_events;
    bool m_mainWindow;
};

// A reachability monitor over flags the test sets.
struct TestMonitor
{
    std::shared_ptr<FakeFlagsSource::Shared> shared = std::make_shared<FakeFlagsSource::Shared>();
    FakeFlagsSource* source = nullptr;

    std::unique_ptr<Reachability> create(std::optional<quint32> flags, int startError = 0)
    {
        shared->reading = {flags, flags ? 0 : 5};
        shared->startError = startError;
        auto fake = std::make_unique<FakeFlagsSource>(shared);
        source = fake.get();
        return std::make_unique<Reachability>(std::move(fake), true);
    }
};

inline QByteArray apiFixture(const QString& name)
{
    QFile file(QStringLiteral(BREVAK_API_FIXTURES "/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("missing fixture %s", qPrintable(name));
    }
    return file.readAll();
}
