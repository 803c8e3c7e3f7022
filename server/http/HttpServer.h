#pragma once

#include "ApiTypes.h"

#include <QString>

#include <functional>
#include <memory>

// The HTTP side of the server (cpp-httplib): a pool of threads, each serving one connection at a time;
// bodies above the size limit refused before they are read; one access-log line per request with
// the method, the path without its query (reset links carry a token there), the status, the size and
// the time taken. No other file includes the HTTP library.
class HttpServer
{
public:
    struct Settings
    {
        QString host;
        int port = 8080; // 0: any free port
        int threads = 128;
        qsizetype maxBodyBytes = 64 * 1024;
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
