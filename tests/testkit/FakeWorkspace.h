#pragma once

#include "windowing.h"

#include <QStringList>

// A workspace the test fills: its running applications, and what was asked to terminate.
class FakeWorkspace : public platform::Workspace
{
    Q_OBJECT

public:
    QList<platform::RunningApplication> running;
    QList<platform::RunningApplication> terminated;

    QList<platform::RunningApplication> runningApplications(const QString& bundleIdentifier) const override
    {
        QList<platform::RunningApplication> matching;
        for (const platform::RunningApplication& application : running) {
            if (application.bundleIdentifier == bundleIdentifier) {
                matching.append(application);
            }
        }
        return matching;
    }

    bool terminate(const platform::RunningApplication& application) override
    {
        terminated.append(application);
        return true;
    }

    QString applicationLocation(const QString&) const override { return {}; }
    QIcon iconForFile(const QString&) const override { return {}; }

    void activate(const QString& localizedName) { Q_EMIT applicationActivated(localizedName); }
};
