#pragma once

#include "ApplicationServices.h"
#include "CustomWindow.h"
#include "FakeInternetRoute.h"
#include "FakeNetworkAccessManager.h"
#include "FakeNetworkSetup.h"
#include "MainWindowHost.h"
#include "Screens.h"
#include "Storyboard.h"
#include "TemporarySimulatedMac.h"

#include <QWidget>

// The account server's answer to the status synchronisation, with a PIN or without.
inline QByteArray syncAnswer(bool pinSet)
{
    const QByteArray data
        = pinSet ? R"(,"data":{"pin_protection":{"id":1,"user_id":7,"time":12,"pin":0}})" : "";
    return R"({"status":true,"code":200,"msg":"ok","version":"3")" + data + "}";
}

// The application as the tests of its windows need it, registered while it lives: the services over
// fakes (the settings of a temporary simulated Mac, a reachable internet route, an account server
// that answers from memory, networksetup scripted by the test and every other program recorded, not
// run) and the storyboard, with a plain window in place of the help window, whose web engine these
// tests do not need.
class FakeApplication
{
public:
    explicit FakeApplication(MainWindowHost& host)
    {
        registerApplicationScreens(storyboard, host);
        storyboard.registerController(
            QStringLiteral("FAQWC"), [](QWidget*) { return new QWidget(nullptr, Qt::Window); });
        server.respondWith(FakeResponse::answer(200, syncAnswer(false)));
    }

    int requestsTo(const QString& path) const
    {
        return int(std::count_if(server.requests().cbegin(), server.requests().cend(),
            [&path](const RecordedRequest& r) { return r.url().path() == "/api/v3/" + path; }));
    }

    TemporarySimulatedMac mac;
    FakeNetworkAccessManager server;
    FakeInternetRoute route;
    ApplicationServices services {ApplicationServices::Parts {route.source(), &server}};
    FakeNetworkSetup networksetup; // registered after the services' runner, so in its place
    Storyboard storyboard;
    Storyboard::Registration storyboardRegistration {storyboard};
};
