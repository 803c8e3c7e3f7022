// The stand-in for `open URL` on the simulated Mac: the user's browser, reduced to what a sign-in
// needs. As brevak-simctl browser says, it follows the page and its redirects as a user who agrees
// (the provider then sends it back to the application's loopback address), goes back with
// error=access_denied as a user who refuses, or closes without answering.
#include "SimulatedBrowser.h"
#include "StandIn.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

using simulated_browser::Behaviour;
using standin::printError;
using standin::printOut;

namespace {

const QString program = QStringLiteral("open");

// The address a user who refuses is sent back to: the page's redirect_uri with the error and state.
std::optional<QUrl> refusal(const QUrl& page)
{
    const QUrlQuery query(page);
    QUrl redirect(query.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
    if (!redirect.isValid() || redirect.isRelative()) {
        return std::nullopt;
    }
    QUrlQuery answer;
    answer.addQueryItem(QStringLiteral("error"), QStringLiteral("access_denied"));
    answer.addQueryItem(
        QStringLiteral("state"), query.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded));
    redirect.setQuery(answer);
    return redirect;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QUrl page(arguments.value(0), QUrl::StrictMode);
    if (arguments.size() != 1 || !page.isValid() || (page.scheme() != "http" && page.scheme() != "https")) {
        printError(
            QStringLiteral("Usage: open URL (an http or https address; the simulated Mac's browser)\n"));
        return 1;
    }

    QUrl visit = page;
    switch (simulated_browser::behaviour()) {
    case Behaviour::close:
        printOut(QStringLiteral("open: the browser window was closed without an answer\n"));
        return 0;
    case Behaviour::deny:
        if (const std::optional<QUrl> back = refusal(page)) {
            visit = *back;
            break;
        }
        printError(QStringLiteral("open: the page names no redirect_uri to refuse to\n"));
        return 1;
    case Behaviour::approve:
        break;
    }

    QNetworkAccessManager network;
    network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network.get(QNetworkRequest(visit));
    QObject::connect(reply, &QNetworkReply::finished, &app, [reply] {
        if (reply->error() != QNetworkReply::NoError) {
            printError(program + QStringLiteral(": ") + reply->url().toString() + QStringLiteral(": ")
                + reply->errorString() + '\n');
            QCoreApplication::exit(1);
            return;
        }
        QCoreApplication::exit(0);
    });
    return QCoreApplication::exec();
}
