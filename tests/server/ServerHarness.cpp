#include "ServerHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <httplib.h>
#include <mutex>
#include <signal.h>
#include <sys/prctl.h>
#include <thread>

namespace {

HttpReply toReply(const httplib::Result& result)
{
    HttpReply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = QByteArray::fromStdString(result->body);
    for (const auto& [name, value] : result->headers)
        reply.headers.insert(QByteArray::fromStdString(name).toLower(), QByteArray::fromStdString(value));
    return reply;
}

httplib::Headers authorization(const QString& token)
{
    if (token.isNull())
        return {};
    return {{"Authorization", "Bearer " + token.toStdString()}};
}

} // namespace

QJsonObject HttpReply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

bool HttpReply::isJsonObject() const
{
    QJsonParseError error;
    return QJsonDocument::fromJson(body, &error).isObject() && error.error == QJsonParseError::NoError;
}

struct HttpClient::Impl
{
    explicit Impl(int port)
        : client("127.0.0.1", port)
    {
        client.set_connection_timeout(10);
        client.set_read_timeout(60);
        client.set_write_timeout(60);
    }
    httplib::Client client;
};

HttpClient::HttpClient(int port)
    : d(std::make_unique<Impl>(port))
{ }

HttpClient::~HttpClient() = default;

QByteArray HttpClient::formEncode(const Fields& fields)
{
    QByteArray body;
    for (const auto& [key, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

HttpReply HttpClient::post(const QString& endpoint, const Fields& fields, const QString& token)
{
    return postRaw(QStringLiteral("/api/v3/") + endpoint, formEncode(fields),
        "application/x-www-form-urlencoded; charset=utf-8", token);
}

HttpReply HttpClient::postRaw(
    const QString& path, const QByteArray& body, const QByteArray& contentType, const QString& token)
{
    return toReply(d->client.Post(
        path.toStdString(), authorization(token), body.toStdString(), contentType.toStdString()));
}

HttpReply HttpClient::get(const QString& pathAndQuery)
{
    return toReply(d->client.Get(pathAndQuery.toStdString()));
}

HttpReply HttpClient::send(const QByteArray& method, const QString& path, const QByteArray& body,
    const QByteArray& contentType, const QList<QPair<QByteArray, QByteArray>>& headers)
{
    httplib::Request request;
    for (const auto& [name, value] : headers)
        request.set_header(name.toStdString(), value.toStdString());
    request.method = method.toStdString();
    request.path = path.toStdString();
    request.body = body.toStdString();
    if (!contentType.isEmpty())
        request.set_header("Content-Type", contentType.toStdString());
    if (!body.isEmpty())
        request.set_header("Content-Length", std::to_string(body.size()));
    return toReply(d->client.send(request));
}

struct ServerProcess::Process
{
    QProcess process;
};

QString ServerProcess::testDatabaseUrl()
{
    return qEnvironmentVariable("BREVAK_TEST_DATABASE_URL");
}

QString ServerProcess::binary()
{
    return QStringLiteral(BREVAK_SERVER_BINARY);
}

ServerProcess::ServerProcess()
    : m_dataDir(m_folder.filePath(QStringLiteral("data")))
    , m_clockFile(m_folder.filePath(QStringLiteral("clock")))
    , m_logFile(m_folder.filePath(QStringLiteral("server.log")))
{
    setNow(1800000000); // 2027-01-15 08:00 UTC
}

ServerProcess::~ServerProcess()
{
    stop();
}

void ServerProcess::setNow(qint64 seconds)
{
    m_now = seconds;
    // Written aside and renamed, so the server never reads half a number.
    const QString aside = m_clockFile + QStringLiteral(".new");
    QFile file(aside);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QByteArray::number(seconds));
        file.close();
        QFile::remove(m_clockFile);
        QFile::rename(aside, m_clockFile);
    }
}

QString ServerProcess::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

bool ServerProcess::start(const QStringList& extraArguments)
{
    QStringList arguments {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
        QStringLiteral("--data-dir"), m_dataDir, QStringLiteral("--dev-clock-file"), m_clockFile,
        QStringLiteral("--dev-fast-hashing"), QStringLiteral("--due-mail-interval"), QStringLiteral("3600")};
    if (!testDatabaseUrl().isEmpty())
        arguments << QStringLiteral("--database") << testDatabaseUrl();
    return startBare(arguments + extraArguments);
}

bool ServerProcess::startBare(const QStringList& arguments, const QStringList& environment)
{
    stop();
    QFile::remove(m_logFile);
    m_process = std::make_unique<Process>();
    QProcess& process = m_process->process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    // A file, not a pipe: nobody reads a pipe while a test waits on HTTP, and a full pipe would stall the
    // server at its next log line.
    process.setStandardOutputFile(m_logFile);
    // A test that crashes must not leave its server running: the server gets SIGTERM when the test's
    // process ends, however it ends.
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start(binary(), arguments);
    if (!process.waitForStarted(10000))
        return false;
    m_pid = process.processId();
    static const QRegularExpression listening(QStringLiteral("listening on http://[^:]+:(\\d+)"));
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        for (const QString& line : log()) {
            const QRegularExpressionMatch match = listening.match(line);
            if (match.hasMatch()) {
                m_port = match.captured(1).toInt();
                return true;
            }
        }
        if (process.waitForFinished(20))
            return false;
    }
    return false;
}

int ServerProcess::stop(int signal)
{
    if (!m_process)
        return -1;
    QProcess& process = m_process->process;
    int code = -1;
    if (process.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(m_pid), signal);
        if (process.waitForFinished(20000)) {
            code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        } else {
            process.kill();
            process.waitForFinished(5000);
        }
    } else {
        code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    m_process.reset();
    return code;
}

QStringList ServerProcess::log() const
{
    QFile file(m_logFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

ServerProcess::CommandResult ServerProcess::admin(const QStringList& arguments) const
{
    QStringList all = QStringList {QStringLiteral("admin")} + arguments;
    all << QStringLiteral("--data-dir") << m_dataDir << QStringLiteral("--dev-clock-file") << m_clockFile;
    if (!testDatabaseUrl().isEmpty())
        all << QStringLiteral("--database") << testDatabaseUrl();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(binary(), all);
    CommandResult result;
    if (!process.waitForFinished(30000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    return result;
}

QStringList ServerProcess::mails() const
{
    QDir outbox(this->outbox());
    QStringList paths;
    for (const QString& name : outbox.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
        paths << outbox.filePath(name);
    return paths;
}

struct FakeSignInProvider::Impl
{
    struct GoogleToken
    {
        QString subject, email, audience;
        bool verified;
    };
    struct FacebookToken
    {
        QString id, email;
    };

    httplib::Server server;
    std::thread thread;
    int port = 0;
    mutable std::mutex mutex;
    QMap<QString, GoogleToken> google;
    QMap<QString, FacebookToken> facebook;
    int requests = 0;

    static void answer(httplib::Response& res, int status, const QJsonObject& object)
    {
        res.status = status;
        res.set_content(
            QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(), "application/json");
    }
};

FakeSignInProvider::FakeSignInProvider()
    : d(std::make_unique<Impl>())
{
    Impl* impl = d.get();
    d->server.Get("/tokeninfo", [impl](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(impl->mutex);
        ++impl->requests;
        const QString token = QString::fromStdString(req.get_param_value("access_token"));
        if (!impl->google.contains(token))
            return Impl::answer(res, 400, {{QStringLiteral("error"), QStringLiteral("invalid_token")}});
        const Impl::GoogleToken& known = impl->google[token];
        Impl::answer(res, 200,
            {{QStringLiteral("azp"), known.audience}, {QStringLiteral("aud"), known.audience},
                {QStringLiteral("sub"), known.subject}, {QStringLiteral("email"), known.email},
                {QStringLiteral("email_verified"),
                    known.verified ? QStringLiteral("true") : QStringLiteral("false")},
                {QStringLiteral("expires_in"), QStringLiteral("3599")}});
    });
    d->server.Get("/me", [impl](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(impl->mutex);
        ++impl->requests;
        const QString token = QString::fromStdString(req.get_param_value("access_token"));
        if (!impl->facebook.contains(token) || req.get_param_value("fields") != "id,email")
            return Impl::answer(res, 400,
                {{QStringLiteral("error"),
                    QJsonObject {
                        {QStringLiteral("message"), QStringLiteral("Invalid OAuth access token.")}}}});
        const Impl::FacebookToken& known = impl->facebook[token];
        QJsonObject me {{QStringLiteral("id"), known.id}};
        if (!known.email.isEmpty())
            me.insert(QStringLiteral("email"), known.email);
        Impl::answer(res, 200, me);
    });
    d->port = d->server.bind_to_any_port("127.0.0.1");
    d->thread = std::thread([impl] { impl->server.listen_after_bind(); });
}

FakeSignInProvider::~FakeSignInProvider()
{
    d->server.stop();
    d->thread.join();
}

int FakeSignInProvider::port() const
{
    return d->port;
}

QString FakeSignInProvider::googleUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/tokeninfo").arg(d->port);
}

QString FakeSignInProvider::facebookUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/me").arg(d->port);
}

void FakeSignInProvider::addGoogleToken(const QString& token, const QString& subject, const QString& email,
    const QString& audience, bool emailVerified)
{
    std::lock_guard lock(d->mutex);
    d->google.insert(token, {subject, email, audience, emailVerified});
}

void FakeSignInProvider::addFacebookToken(const QString& token, const QString& id, const QString& email)
{
    std::lock_guard lock(d->mutex);
    d->facebook.insert(token, {id, email});
}

int FakeSignInProvider::requestCount() const
{
    std::lock_guard lock(d->mutex);
    return d->requests;
}
