#pragma once

#include "ApiTypes.h"

#include <QString>

#include <functional>
#include <memory>

// The HTTP side of the server (cpp-httplib): a pool of threads, each serving one connection at a time;
// bodies above the size limit refused before they are read; one access-log line per request with
// the method, the path without its query (reset links carry a token there), the status, the size and
// the time taken. No other file includes the HTTP library.
//
// Slow clients cannot hold the threads: a request's headers and body must arrive within a deadline,
// and one client address may only hold a few connections at a time. Pipelined requests are answered
// in turn.
class HttpServer
{
public:
    struct Settings
    {
        QString host;
        int port = 8080; // 0: any free port
        int threads = 128;
        qsizetype maxBodyBytes = 64 * 1024;
        int requestDeadlineSeconds = 10; // from the first byte of a request to the end of its body
        int connectionsPerAddress = 16;
        // A reverse proxy in front (nginx): its connections are not capped, and the client address of
        // its requests is the one it gives in X-Real-IP.
        QString trustedProxy;
    };
    using Handler = std::function<ApiResponse(const ApiRequest&)>;

    HttpServer(Settings settings, Handler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Opens the listening socket; returns the port, or -1 with the reason in error.
    int bind(QString& error);
    // Serves until stop() is called from another thread; returns once every connection is closed.
    // False when serving could not begin.
    bool run();
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
