#pragma once

#include "ApplicationServices.h"
#include "CommonWS.h"
#include "FakeInternetRoute.h"
#include "PinTestSupport.h"
#include "Screens.h"
#include "TemporarySimulatedMac.h"

// The application around its screens with the real client over the real network, on a simulated Mac
// of its own, its alerts and printed lines recorded.
struct ApplicationAgainstServer
{
    ApplicationAgainstServer()
    {
        registerApplicationScreens(storyboard, host);
        host.window->show();
    }
    ~ApplicationAgainstServer() { host.window.reset(); }

    TemporarySimulatedMac mac;
    FakeInternetRoute route;
    ApplicationServices services {ApplicationServices::Parts {route.source(), nullptr}};
    TestWindowHost host;
    Storyboard storyboard;
    Storyboard::Registration storyboardRegistration {storyboard};
    AlertRecorder alerts;
    LogCapture log;
};

// Signs `email` up on the server and keeps the session as a sign-in does: its token, or nothing when
// the server did not answer or refused.
inline std::optional<QString> signUpAndKeepSession(const QString& email)
{
    std::optional<BaseModel<AuthModel>> answer;
    CommonWS::shared().signup(email, "correct horse 1234", 0, "Mac",
        [&answer](const std::optional<BaseModel<AuthModel>>& record, bool) { answer = record; });
    if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, 20000) || !answer->status
        || !answer->data) {
        return std::nullopt;
    }
    SettingsStore& settings = SettingsStore::shared();
    settings.setString(keys::loginToken, answer->data->token);
    settings.setInteger(keys::userId, answer->data->id);
    settings.setString(keys::userEmail, email);
    settings.setBool(keys::isLogin, true);
    return answer->data->token;
}
