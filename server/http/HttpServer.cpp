#include "HttpServer.h"

#include "Diagnostics.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <httplib.h>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

thread_local std::optional<Clock::time_point> requestStart;

std::string addressOf(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
    else if (address.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text, sizeof text);
    return text;
}

int portOf(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return 0;
}

// The address and port of one end of a connection: the client's (peer) or this server's.
void endOf(socket_t socket, bool peer, std::string& ip, int& port)
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if ((peer ? getpeername(socket, raw, &length) : getsockname(socket, raw, &length)) != 0)
        return;
    ip = addressOf(address);
    port = portOf(address);
}

std::string peerAddress(socket_t socket)
{
    std::string ip;
    int port = 0;
    endOf(socket, true, ip, port);
    return ip;
}

// One connection, read through a buffer that lives as long as the connection (so bytes of a pipelined
// request read along with the one before are kept), with a deadline for each request.
class ConnectionStream : public httplib::Stream
{
public:
    ConnectionStream(socket_t socket, std::chrono::seconds writeTimeout)
        : m_socket(socket)
        , m_writeTimeout(writeTimeout)
    { }

    // Waits up to `idle` for the next request to begin; false when the connection stays idle, closes,
    // or `stopping` turns true.
    bool awaitRequest(std::chrono::seconds idle, const std::function<bool()>& stopping)
    {
        const Clock::time_point end = Clock::now() + idle;
        while (!buffered() && !stopping()) {
            if (Clock::now() >= end)
                return false;
            // In slices, so that a stopping server is noticed soon.
            if (wait(POLLIN, std::min(end, Clock::now() + std::chrono::milliseconds(200))))
                return true;
        }
        return buffered();
    }
    void startRequest(std::chrono::seconds deadline) { m_deadline = Clock::now() + deadline; }
    // A request ran out of time: whatever follows on this connection is not a request to trust.
    bool expired() const { return m_expired; }

    bool is_readable() const override
    {
        if (buffered() || wait(POLLIN, m_deadline))
            return true;
        m_expired = true;
        return false;
    }
    bool is_writable() const override { return wait(POLLOUT, Clock::now() + m_writeTimeout); }

    ssize_t read(char* data, size_t size) override
    {
        if (!buffered()) {
            if (!wait(POLLIN, m_deadline)) {
                m_expired = true;
                return -1;
            }
            const ssize_t received = recv(m_socket, m_buffer, sizeof m_buffer, 0);
            if (received <= 0)
                return received;
            m_begin = 0;
            m_end = static_cast<size_t>(received);
        }
        const size_t taken = std::min(size, m_end - m_begin);
        std::memcpy(data, m_buffer + m_begin, taken);
        m_begin += taken;
        return static_cast<ssize_t>(taken);
    }

    ssize_t write(const char* data, size_t size) override
    {
        if (!is_writable())
            return -1;
        return send(m_socket, data, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        endOf(m_socket, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        endOf(m_socket, false, ip, port);
    }
    socket_t socket() const override { return m_socket; }

private:
    bool buffered() const { return m_begin < m_end; }

    bool wait(short events, Clock::time_point until) const
    {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0)
                return false;
            pollfd entry {m_socket, events, 0};
            const int ready = poll(&entry, 1, static_cast<int>(left.count()));
            if (ready > 0)
                return true;
            if (ready == 0 || errno != EINTR)
                return false;
        }
    }

    socket_t m_socket;
    std::chrono::seconds m_writeTimeout;
    Clock::time_point m_deadline = Clock::now();
    mutable bool m_expired = false;
    char m_buffer[16 * 1024];
    size_t m_begin = 0;
    size_t m_end = 0;
};

// How many connections each client address holds.
class ConnectionCounts
{
public:
    bool enter(const std::string& address, int limit)
    {
        std::lock_guard lock(m_mutex);
        int& count = m_counts[address];
        if (count >= limit)
            return false;
        ++count;
        return true;
    }

    void leave(const std::string& address)
    {
        std::lock_guard lock(m_mutex);
        if (--m_counts[address] <= 0)
            m_counts.erase(address);
    }

private:
    std::mutex m_mutex;
    std::map<std::string, int> m_counts;
};

// The library's server with its own connection loop: a deadline per request, a cap on connections per
// client address, and one read buffer per connection.
class GuardedServer : public httplib::Server
{
public:
    explicit GuardedServer(const HttpServer::Settings& settings)
        : m_settings(settings)
    { }

private:
    bool process_and_close_socket(socket_t socket) override
    {
        const std::string address = peerAddress(socket);
        const bool proxy
            = !m_settings.trustedProxy.isEmpty() && address == m_settings.trustedProxy.toStdString();
        bool served = false;
        if (proxy || m_connections.enter(address, m_settings.connectionsPerAddress)) {
            served = serve(socket);
            if (!proxy)
                m_connections.leave(address);
        }
        shutdown(socket, SHUT_RDWR);
        close(socket);
        return served;
    }

    bool serve(socket_t socket)
    {
        ConnectionStream stream(socket, std::chrono::seconds(write_timeout_sec_));
        const auto stopping = [this] { return svr_sock_ == INVALID_SOCKET; };
        bool served = false;
        for (size_t left = keep_alive_max_count_; left > 0 && !stopping(); --left) {
            if (!stream.awaitRequest(std::chrono::seconds(keep_alive_timeout_sec_), stopping))
                break;
            stream.startRequest(std::chrono::seconds(m_settings.requestDeadlineSeconds));
            bool closed = false;
            served = process_request(stream, left == 1, closed, nullptr);
            if (!served || closed || stream.expired())
                break;
        }
        return served;
    }

    const HttpServer::Settings& m_settings;
    ConnectionCounts m_connections;
};

QString printablePath(const std::string& path)
{
    QByteArray bytes = QByteArray::fromStdString(path.substr(0, 200));
    for (char& c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '"' || c == 0x7f)
            c = '?';
    }
    return QString::fromUtf8(bytes);
}

void writeAnswer(const ApiResponse& answer, httplib::Response& res)
{
    res.status = answer.httpStatus;
    for (const auto& [name, value] : answer.headers)
        res.set_header(name.toStdString(), value.toStdString());
    if (answer.contentType.startsWith("application/json"))
        res.set_header("Cache-Control", "no-store");
    res.set_content(answer.body.toStdString(), answer.contentType.toStdString());
}

} // namespace

struct HttpServer::Impl
{
    explicit Impl(Settings givenSettings)
        : settings(std::move(givenSettings))
        , server(settings)
    { }

    Settings settings;
    Handler handler;
    GuardedServer server;
    int listeningSocket = -1;
    std::atomic<bool> stopRequested = false;
    std::atomic<bool> runFinished = false;

    void serve(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader* reader);
};

void HttpServer::Impl::serve(
    const httplib::Request& req, httplib::Response& res, const httplib::ContentReader* reader)
{
    ApiRequest request;
    request.method = QByteArray::fromStdString(req.method);
    request.path = QByteArray::fromStdString(req.path);
    const size_t question = req.target.find('?');
    if (question != std::string::npos)
        request.query = QByteArray::fromStdString(req.target.substr(question + 1));
    request.authorization = QByteArray::fromStdString(req.get_header_value("Authorization"));
    request.contentType = QByteArray::fromStdString(req.get_header_value("Content-Type"));
    request.cookie = QByteArray::fromStdString(req.get_header_value("Cookie"));
    request.requestedWith = QByteArray::fromStdString(req.get_header_value("X-Requested-With"));
    request.remoteAddress = QString::fromStdString(req.remote_addr);
    if (!settings.trustedProxy.isEmpty() && request.remoteAddress == settings.trustedProxy
        && req.has_header("X-Real-IP"))
        request.remoteAddress = QString::fromStdString(req.get_header_value("X-Real-IP")).left(64);

    // Without a length or a chunked encoding a request has no body (HTTP/1.1), and only POST bodies
    // mean anything here: the others are refused unread, on a connection that then closes.
    const bool hasBody = req.has_header("Content-Length") || req.has_header("Transfer-Encoding");
    if (reader && hasBody && req.method != "POST") {
        writeAnswer(handler(request), res);
        res.set_header("Connection", "close");
        return;
    }
    if (reader && hasBody) {
        const auto tooLarge = [&] {
            // The rest of the body is not read, so this connection cannot carry another request.
            writeAnswer(answers::failure(413, QStringLiteral("The request is larger than 64 KiB.")), res);
            res.set_header("Connection", "close");
        };
        if (req.get_header_value<uint64_t>("Content-Length") > static_cast<uint64_t>(settings.maxBodyBytes))
            return tooLarge();
        if (req.is_multipart_form_data()) {
            writeAnswer(answers::failure(
                            422, QStringLiteral("Send the fields as application/x-www-form-urlencoded.")),
                res);
            res.set_header("Connection", "close");
            return;
        }
        bool exceeded = false;
        const bool read = (*reader)([&](const char* data, size_t length) {
            if (request.body.size() + static_cast<qsizetype>(length) > settings.maxBodyBytes) {
                exceeded = true;
                return false;
            }
            request.body.append(data, static_cast<qsizetype>(length));
            return true;
        });
        if (exceeded)
            return tooLarge();
        if (!read) {
            writeAnswer(answers::failure(400, QStringLiteral("The request body could not be read.")), res);
            res.set_header("Connection", "close");
            return;
        }
    }
    writeAnswer(handler(request), res);
}

HttpServer::HttpServer(Settings settings, Handler handler)
    : d(std::make_unique<Impl>(std::move(settings)))
{
    d->handler = std::move(handler);
    httplib::Server& server = d->server;
    const int threads = d->settings.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    // Headers and body go out in separate writes; without this, Nagle holds the second one back.
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(100000);
    // SO_REUSEADDR only: the library's default adds SO_REUSEPORT, which would let a second server start
    // on the same port and silently take half of the requests.
    server.set_socket_options([impl = d.get()](socket_t socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        impl->listeningSocket = socket;
    });
    server.set_keep_alive_timeout(5);
    server.set_write_timeout(10);
    server.set_payload_max_length(static_cast<size_t>(d->settings.maxBodyBytes));
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"}});

    Impl* impl = d.get();
    const auto withBody = [impl](const httplib::Request& req, httplib::Response& res,
                              const httplib::ContentReader& reader) { impl->serve(req, res, &reader); };
    const auto withoutBody
        = [impl](const httplib::Request& req, httplib::Response& res) { impl->serve(req, res, nullptr); };
    server.Post(".*", withBody);
    server.Put(".*", withBody);
    server.Patch(".*", withBody);
    server.Delete(".*", withBody);
    server.Get(".*", withoutBody);
    server.Options(".*", withoutBody);

    // Failures the HTTP library answers itself (a request line it cannot parse, for instance) still
    // leave as an envelope.
    server.set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            const QString message = res.status == 413 ? QStringLiteral("The request is larger than 64 KiB.")
                                                      : QStringLiteral("The request is malformed.");
            writeAnswer(answers::failure(res.status, message), res);
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        writeAnswer(answers::failure(500, QStringLiteral("The server could not complete the request.")), res);
    });
    server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        requestStart = Clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        QString took = QStringLiteral("-");
        if (requestStart) {
            const auto elapsed = Clock::now() - *requestStart;
            took = QString::number(std::chrono::duration<double, std::milli>(elapsed).count(), 'f', 1)
                + QStringLiteral("ms");
            requestStart.reset();
        }
        diagnostics::printLine(QStringLiteral("access %1 \"%2 %3\" %4 %5 %6")
                                   .arg(QString::fromStdString(req.remote_addr),
                                       QString::fromStdString(req.method).left(16), printablePath(req.path))
                                   .arg(res.status)
                                   .arg(res.body.size())
                                   .arg(took));
    });
}

HttpServer::~HttpServer() = default;

int HttpServer::bind(QString& error)
{
    const std::string host = d->settings.host.toStdString();
    int port = d->settings.port;
    if (port == 0) {
        port = d->server.bind_to_any_port(host);
    } else if (!d->server.bind_to_port(host, port)) {
        port = -1;
    }
    if (port <= 0) {
        error = QStringLiteral("cannot listen on %1:%2 (address in use or not allowed)")
                    .arg(d->settings.host)
                    .arg(d->settings.port);
        return -1;
    }
    // The library listens with a backlog of 5; connections opened together beyond that would wait for
    // a SYN retry (a second or more). Listening again on the same socket only raises the backlog.
    if (d->listeningSocket >= 0)
        ::listen(d->listeningSocket, SOMAXCONN);
    return port;
}

bool HttpServer::run()
{
    const bool served = d->stopRequested || d->server.listen_after_bind();
    d->runFinished = true;
    return served;
}

void HttpServer::stop()
{
    d->stopRequested = true;
    // The library ignores a stop that comes before its listening loop has begun (a signal right
    // after start): wait for the loop, or for run() to have ended without one.
    while (!d->server.is_running() && !d->runFinished)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    d->server.stop();
}
