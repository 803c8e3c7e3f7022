#pragma once

#include "ApiWindowHost.h"

#include <QPointer>

class AppDelegate;

// The application's windows as the API client sees them: whether there is a main window, and what
// an expired session does to it.
class SessionWindowHost : public ApiWindowHost
{
public:
    explicit SessionWindowHost(AppDelegate& delegate);

    bool hasMainWindow() const override;
    void raiseFrontWindow() override;
    void endAttachedSheet() override;
    void showStartScreen() override;

private:
    QPointer<AppDelegate> m_delegate; // the API client may outlive the windows: then none is left
};
