#include "ServerHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <arpa/inet.h>
#include <httplib.h>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <thread>

QJsonObject HttpReply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

QJsonValue at(const HttpReply& reply, const QString& path)
{
    QJsonValue value = reply.json();
    for (const QString& key : path.split(u'.'))
        value = value.toObject().value(key);
    return value;
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
    QByteArrayList pairs;
    for (const auto& [key, value] : fields)
        pairs << QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    return pairs.join('&');
}

HttpReply HttpClient::post(const QString& endpoint, const Fields& fields, const QString& token)
{
    return postRaw(
        "/api/v3/" + endpoint, formEncode(fields), "application/x-www-form-urlencoded; charset=utf-8", token);
}

HttpReply HttpClient::postRaw(
    const QString& path, const QByteArray& body, const QByteArray& contentType, const QString& token)
{
    return send("POST", path, body, contentType,
        token.isNull() ? Headers {} : Headers {{"Authorization", "Bearer " + token.toUtf8()}});
}

HttpReply HttpClient::send(const QByteArray& method, const QString& path, const QByteArray& body,
    const QByteArray& contentType, const Headers& headers)
{
    httplib::Request request;
    for (const auto& [name, value] : headers)
        request.set_header(name.toStdString(), value.toStdString());
    request.method = method.toStdString();
    request.path = path.toStdString();
    request.body = body.toStdString();
    if (!contentType.isEmpty())
        request.set_header("Content-Type", contentType.toStdString());
    request.set_header("Content-Length", std::to_string(body.size()));
    const httplib::Result result = d->client.send(request);
    HttpReply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = QByteArray::fromStdString(result->body);
    for (const auto& [name, value] : result->headers)
        reply.headers.insert(QByteArray::fromStdString(name).toLower(), QByteArray::fromStdString(value));
    return reply;
}

RawConnection::RawConnection(int port, const QString& fromAddress)
    : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in local {};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, fromAddress.toLatin1().constData(), &local.sin_addr);
    sockaddr_in server {};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0
        || ::connect(m_socket, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

RawConnection::~RawConnection()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

bool RawConnection::send(const QByteArray& bytes)
{
    return m_socket >= 0 && ::send(m_socket, bytes.constData(), bytes.size(), MSG_NOSIGNAL) == bytes.size();
}

QByteArray RawConnection::receive(int milliseconds, const std::function<bool(const QByteArray&)>& enough)
{
    QByteArray received;
    QElapsedTimer waited;
    waited.start();
    while (m_socket >= 0 && !enough(received) && waited.elapsed() < milliseconds) {
        pollfd entry {m_socket, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(milliseconds - waited.elapsed())) <= 0)
            break;
        char buffer[4096];
        const ssize_t read = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (read <= 0)
            break;
        received.append(buffer, read);
    }
    return received;
}

bool RawConnection::closedByServer(int milliseconds)
{
    if (m_socket < 0)
        return true;
    pollfd entry {m_socket, POLLIN, 0};
    if (::poll(&entry, 1, milliseconds) <= 0)
        return false;
    char buffer[4096];
    return ::recv(m_socket, buffer, sizeof buffer, MSG_DONTWAIT) <= 0;
}

QByteArray RawConnection::request(
    const QByteArray& method, const QByteArray& path, const QByteArray& body, const QByteArray& token)
{
    QByteArray text = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!token.isEmpty())
        text += "Authorization: Bearer " + token + "\r\n";
    if (!body.isEmpty())
        text += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n";
    return text + "\r\n" + body;
}

QString ServerProcess::testDatabaseUrl()
{
    return qEnvironmentVariable("BREVAK_TEST_DATABASE_URL");
}

ServerProcess::ServerProcess()
    : m_dataDir(m_folder.filePath("data"))
    , m_clockFile(m_folder.filePath("clock"))
    , m_logFile(m_folder.filePath("server.log"))
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
    QSaveFile file(m_clockFile); // replaced whole, so the server never reads half a number
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QByteArray::number(seconds));
        file.commit();
    }
}

bool ServerProcess::start(const QStringList& extraArguments)
{
    return startBare(QStringList {"--listen", "127.0.0.1:0", "--dev-fast-hashing", "--due-mail-interval",
                         "3600", "--sign-in-limit", "100000", "--reset-mail-limit", "100000"}
        + sharedArguments() + extraArguments);
}

bool ServerProcess::startBare(const QStringList& arguments, const QStringList& environment)
{
    stop();
    QFile::remove(m_logFile);
    m_process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    m_process->setProcessEnvironment(env);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // A file, not a pipe: nobody reads a pipe while a test waits on HTTP, and a full pipe would stall the
    // server at its next log line.
    m_process->setStandardOutputFile(m_logFile);
    // A test that crashes must not leave its server running: the server gets SIGTERM when the test's
    // process ends, however it ends.
    m_process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process->start(BREVAK_SERVER_BINARY, arguments);
    m_process->waitForStarted(10000);
    static const QRegularExpression listening("listening on http://[^:]+:(\\d+)");
    QElapsedTimer waited;
    waited.start();
    while (m_process->state() == QProcess::Running && waited.elapsed() < 20000) {
        const QRegularExpressionMatch match = listening.match(log().join(u'\n'));
        if (match.hasMatch()) {
            m_port = match.captured(1).toInt();
            return true;
        }
        m_process->waitForFinished(20);
    }
    return false;
}

int ServerProcess::stop(int signal)
{
    if (!m_process)
        return -1;
    if (m_process->state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(m_process->processId()), signal);
        if (!m_process->waitForFinished(20000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    const int code = m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
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

QStringList ServerProcess::sharedArguments() const
{
    QStringList arguments {"--data-dir", m_dataDir, "--dev-clock-file", m_clockFile};
    if (!testDatabaseUrl().isEmpty())
        arguments << "--database" << testDatabaseUrl() << "--key-file"
                  << qEnvironmentVariable("BREVAK_TEST_KEY_FILE");
    return arguments;
}

QString ServerProcess::binary()
{
    return QStringLiteral(BREVAK_SERVER_BINARY);
}

ServerProcess::CommandResult ServerProcess::admin(const QStringList& arguments, const QByteArray& input) const
{
    return command(QStringList {"admin"} + arguments, input);
}

ServerProcess::CommandResult ServerProcess::command(
    const QStringList& arguments, const QByteArray& input) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(BREVAK_SERVER_BINARY, arguments + sharedArguments());
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromUtf8(process.readAllStandardOutput())};
}

QStringList ServerProcess::mails() const
{
    const QDir outbox(m_dataDir + "/outbox");
    QStringList paths;
    for (const QString& name : outbox.entryList({"*.eml"}, QDir::Files, QDir::Name))
        paths << outbox.filePath(name);
    return paths;
}

QStringList ServerProcess::mailsTo(const QString& address) const
{
    QStringList found;
    for (const QString& path : mails()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)
            && file.peek(4096).contains(QByteArray("To: " + address.toUtf8() + "\r\n")))
            found << QString::fromUtf8(file.readAll());
    }
    return found;
}

struct FakeSignInProvider::Impl
{
    httplib::Server server;
    std::thread thread;
    int port = 0;
    mutable std::mutex mutex;
    QMap<QString, QJsonObject> google; // token -> the token information Google gives
    QMap<QString, QJsonObject> facebook; // token -> /me
    QMap<QString, QJsonObject> facebookApps; // token -> /app
    int requests = 0;

    // Answers with what `known` holds for the access token of a well-formed request, else with `error`.
    void answer(const httplib::Request& request, bool wellFormed, const QMap<QString, QJsonObject>& known,
        const QJsonObject& error, httplib::Response& response)
    {
        std::lock_guard lock(mutex);
        ++requests;
        const auto found = known.constFind(QString::fromStdString(request.get_param_value("access_token")));
        const bool ok = wellFormed && found != known.cend();
        response.status = ok ? 200 : 400;
        response.set_content(QJsonDocument(ok ? *found : error).toJson(QJsonDocument::Compact).toStdString(),
            "application/json");
    }
};

FakeSignInProvider::FakeSignInProvider()
    : d(std::make_unique<Impl>())
{
    Impl* impl = d.get();
    d->server.Get("/tokeninfo", [impl](const httplib::Request& request, httplib::Response& response) {
        impl->answer(request, true, impl->google, {{"error", "invalid_token"}}, response);
    });
    d->server.Get("/me", [impl](const httplib::Request& request, httplib::Response& response) {
        impl->answer(request, request.get_param_value("fields") == "id,email", impl->facebook,
            {{"error", QJsonObject {{"message", "Invalid OAuth access token."}}}}, response);
    });
    d->server.Get("/app", [impl](const httplib::Request& request, httplib::Response& response) {
        impl->answer(request, true, impl->facebookApps,
            {{"error", QJsonObject {{"message", "Invalid OAuth access token."}}}}, response);
    });
    d->port = d->server.bind_to_any_port("127.0.0.1");
    d->thread = std::thread([impl] { impl->server.listen_after_bind(); });
}

FakeSignInProvider::~FakeSignInProvider()
{
    d->server.stop();
    d->thread.join();
}

QString FakeSignInProvider::googleUrl() const
{
    return QString("http://127.0.0.1:%1/tokeninfo").arg(d->port);
}

QString FakeSignInProvider::facebookUrl() const
{
    return QString("http://127.0.0.1:%1/me").arg(d->port);
}

QString FakeSignInProvider::facebookAppUrl() const
{
    return QString("http://127.0.0.1:%1/app").arg(d->port);
}

void FakeSignInProvider::addGoogleToken(const QString& token, const QString& subject, const QString& email,
    const QString& audience, bool emailVerified)
{
    std::lock_guard lock(d->mutex);
    d->google.insert(token,
        {{"azp", audience}, {"aud", audience}, {"sub", subject}, {"email", email},
            {"email_verified", emailVerified ? "true" : "false"}, {"expires_in", "3599"}});
}

void FakeSignInProvider::addFacebookToken(
    const QString& token, const QString& id, const QString& email, const QString& appId)
{
    std::lock_guard lock(d->mutex);
    d->facebookApps.insert(token, {{"id", appId}, {"name", "An application"}});
    QJsonObject me {{"id", id}};
    if (!email.isEmpty())
        me.insert("email", email);
    d->facebook.insert(token, me);
}

int FakeSignInProvider::requestCount() const
{
    std::lock_guard lock(d->mutex);
    return d->requests;
}
