#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// What the tests need to talk to a real brevak-server: the process itself (on a free port, a data
// folder of its own, a clock the test moves, cheap password hashing), an HTTP client, and a stand-in for
// the Google and Facebook token endpoints.

struct HttpReply
{
    int status = 0; // 0: no answer at all
    QByteArray body;
    QMap<QByteArray, QByteArray> headers; // names in lower case

    QJsonObject json() const; // empty when the body is not a JSON object
};

// The value at a dotted path of the answer ("data.pin_protection.is_block"), undefined when absent.
QJsonValue at(const HttpReply& reply, const QString& path);

using Fields = QList<QPair<QString, QString>>;
using Headers = QList<QPair<QByteArray, QByteArray>>;

class HttpClient
{
public:
    explicit HttpClient(int port);
    ~HttpClient();

    // A form-encoded POST to /api/v3/<endpoint>; a null token sends no Authorization header.
    HttpReply post(const QString& endpoint, const Fields& fields, const QString& token);
    HttpReply postRaw(
        const QString& path, const QByteArray& body, const QByteArray& contentType, const QString& token);
    HttpReply get(const QString& pathAndQuery) { return send("GET", pathAndQuery, {}, {}); }
    HttpReply send(const QByteArray& method, const QString& path, const QByteArray& body,
        const QByteArray& contentType, const Headers& headers = {});

    static QByteArray formEncode(const Fields& fields);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A bare TCP connection to the server from a chosen loopback address (127.0.0.2 and up stand for other
// clients), for what an HTTP client does not do: trickle headers, pipeline requests.
class RawConnection
{
public:
    explicit RawConnection(int port, const QString& fromAddress = "127.0.0.1");
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool send(const QByteArray& bytes);
    // What arrives within `milliseconds`, until `enough` holds for it or the server closes.
    QByteArray receive(int milliseconds, const std::function<bool(const QByteArray&)>& enough);
    // Whether the server has closed the connection, waiting up to `milliseconds` for it.
    bool closedByServer(int milliseconds = 0);

    // A whole HTTP/1.1 request.
    static QByteArray request(const QByteArray& method, const QByteArray& path, const QByteArray& body = {},
        const QByteArray& token = {});

private:
    int m_socket = -1;
};

class ServerProcess
{
public:
    // The PostgreSQL URL when the suite runs against PostgreSQL (BREVAK_TEST_DATABASE_URL), else empty.
    static QString testDatabaseUrl();

    ServerProcess();
    ~ServerProcess();

    // Starts the server with the test defaults plus the given flags and waits until it listens.
    bool start(const QStringList& extraArguments = {});
    // Starts it with exactly these arguments and environment additions (no test defaults).
    bool startBare(const QStringList& arguments, const QStringList& environment = {});
    // SIGTERM (or the given signal), then waits; returns the exit code, -1 when it had to be killed.
    int stop(int signal = 15);

    int port() const { return m_port; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QStringList log() const; // the server's output so far, line by line

    void setNow(qint64 seconds);
    qint64 now() const { return m_now; }
    void advance(qint64 seconds) { setNow(m_now + seconds); }

    struct CommandResult
    {
        int exitCode = -1;
        QString output;
    };
    // Runs "brevak-server admin ..." on the same data folder, database and clock, with `input` on its
    // standard input.
    CommandResult admin(const QStringList& arguments, const QByteArray& input = {}) const;
    // Runs another brevak-server command (resolver-config, ...) on them.
    CommandResult command(const QStringList& arguments, const QByteArray& input = {}) const;
    // The flags that put a command on this server's data folder, database and clock.
    QStringList sharedArguments() const;
    static QString binary();
    // The .eml files in the outbox, oldest first.
    QStringList mails() const;
    // The text of the mails sent to `address`, oldest first.
    QStringList mailsTo(const QString& address) const;

private:
    QTemporaryDir m_folder;
    QString m_dataDir;
    QString m_clockFile;
    QString m_logFile;
    qint64 m_now = 0;
    int m_port = 0;
    std::unique_ptr<QProcess> m_process;
};

// Google's token information endpoint and Facebook's /me on 127.0.0.1, answering from tokens the test
// registers.
class FakeSignInProvider
{
public:
    FakeSignInProvider();
    ~FakeSignInProvider();

    QString googleUrl() const;
    QString facebookUrl() const;
    QString facebookAppUrl() const;
    void addGoogleToken(const QString& token, const QString& subject, const QString& email,
        const QString& audience, bool emailVerified = true);
    // `appId`: the Facebook application the token was issued to.
    void addFacebookToken(
        const QString& token, const QString& id, const QString& email, const QString& appId);
    int requestCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
