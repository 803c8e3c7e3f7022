#pragma once

#include "ApiManager.h"
#include "FakeFlagsSource.h"
#include "FakeNetworkAccessManager.h"
#include "Reachability.h"
#include "Screens.h"
#include "Storyboard.h"

#include <QWidget>

// The application's screens with a plain window in place of the help window, whose web engine the
// tests of the shell do not need.
inline void registerScreensForTests()
{
    Storyboard& storyboard = Storyboard::main();
    registerApplicationScreens(storyboard);
    storyboard.registerController(
        QStringLiteral("FAQWC"), [](QWidget*) { return new QWidget(nullptr, Qt::Window); });
}

inline QByteArray syncAnswer(bool status, bool pinSet)
{
    const QByteArray data
        = pinSet ? R"(,"data":{"pin_protection":{"id":1,"user_id":7,"time":12,"pin":0}})" : "";
    return R"({"status":)" + QByteArray(status ? "true" : "false") + R"(,"code":200,"msg":"ok","version":"3")"
        + data + "}";
}

// Answers every request of the shared API client from memory while it lives, over a network that
// is always reachable.
class FakeAccountServer
{
public:
    FakeAccountServer()
    {
        ApiManager::shared().setNetworkAccessManager(&network);
        auto flags = std::make_shared<FakeFlagsSource::Shared>();
        flags->reading = {Reachability::Reachable, 0};
        ApiManager::shared().startReachability(
            std::make_unique<Reachability>(std::make_unique<FakeFlagsSource>(flags), true));
    }
    ~FakeAccountServer() { ApiManager::shared().setNetworkAccessManager(nullptr); }

    int requestsTo(const QString& path) const
    {
        return int(std::count_if(network.requests().cbegin(), network.requests().cend(),
            [&path](const RecordedRequest& r) { return r.url().path().endsWith(path); }));
    }

    FakeNetworkAccessManager network;
};
