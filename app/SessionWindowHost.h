#pragma once

#include "ApiWindowHost.h"

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
    AppDelegate& m_delegate;
};
