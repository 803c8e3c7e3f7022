#include "FakeProvidersProcess.h"

#include "TemporarySimulatedMac.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>

FakeProvidersProcess::FakeProvidersProcess() = default;

FakeProvidersProcess::~FakeProvidersProcess()
{
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool FakeProvidersProcess::start()
{
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->start(TemporarySimulatedMac::programPath(QStringLiteral("brevak-fake-providers")),
        {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    static const QRegularExpression listening(QStringLiteral("listening on (http://127\\.0\\.0\\.1:\\d+)"));
    QString output;
    const bool ready = QTest::qWaitFor(
        [&] {
            output += QString::fromUtf8(m_process->readAllStandardOutput());
            return listening.match(output).hasMatch() || m_process->state() == QProcess::NotRunning;
        },
        20000);
    m_baseUrl = listening.match(output).captured(1);
    return ready && !m_baseUrl.isEmpty();
}

void FakeProvidersProcess::useForSignIn() const
{
    qputenv("BREVAK_GOOGLE_AUTHORIZATION_URL", (m_baseUrl + "/google/authorize").toUtf8());
    qputenv("BREVAK_GOOGLE_TOKEN_URL", (m_baseUrl + "/google/token").toUtf8());
    qputenv("BREVAK_GOOGLE_USERINFO_URL", (m_baseUrl + "/google/userinfo").toUtf8());
    qputenv("BREVAK_FACEBOOK_DIALOG_URL", (m_baseUrl + "/facebook/dialog").toUtf8());
    qputenv("BREVAK_FACEBOOK_GRAPH_URL", (m_baseUrl + "/facebook/me").toUtf8());
    qputenv("BREVAK_PUBLIC_WEBSITE", (m_baseUrl + "/website").toUtf8());
}

QStringList FakeProvidersProcess::serverArguments() const
{
    return {QStringLiteral("--google-tokeninfo-url"), m_baseUrl + "/google/tokeninfo",
        QStringLiteral("--facebook-graph-url"), m_baseUrl + "/facebook/me",
        QStringLiteral("--facebook-app-url"), m_baseUrl + "/facebook/app"};
}

bool FakeProvidersProcess::setGoogleProfile(const QByteArray& profile) const
{
    return put(QStringLiteral("/control/google-profile"), profile);
}

bool FakeProvidersProcess::setFacebookProfile(const QByteArray& profile) const
{
    return put(QStringLiteral("/control/facebook-profile"), profile);
}

bool FakeProvidersProcess::put(const QString& path, const QByteArray& body) const
{
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(m_baseUrl + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply* reply = network.put(request, body);
    const bool finished = QTest::qWaitFor([reply] { return reply->isFinished(); }, 20000);
    const bool ok = finished && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 204;
    delete reply;
    return ok;
}

QStringList FakeProvidersProcess::log() const
{
    return m_process ? QString::fromUtf8(m_process->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)
                     : QStringList();
}
