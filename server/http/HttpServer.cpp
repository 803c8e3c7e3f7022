#include "HttpServer.h"

#include "Diagnostics.h"

#include <atomic>
#include <chrono>
#include <httplib.h>
#include <optional>
#include <sys/socket.h>
#include <thread>

namespace {

thread_local std::optional<std::chrono::steady_clock::time_point> requestStart;

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
    Settings settings;
    Handler handler;
    httplib::Server server;
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
    request.remoteAddress = QString::fromStdString(req.remote_addr);

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
    : d(std::make_unique<Impl>())
{
    d->settings = std::move(settings);
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
    server.set_read_timeout(10);
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
        requestStart = std::chrono::steady_clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        QString took = QStringLiteral("-");
        if (requestStart) {
            const auto elapsed = std::chrono::steady_clock::now() - *requestStart;
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
