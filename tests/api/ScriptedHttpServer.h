#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>

// A small HTTP/1.1 server on 127.0.0.1 for tests of the real network stack. It reads each request
// whole (headers and a Content-Length body), keeps the raw bytes, and lets the test's handler answer
// on the socket: at once, in pieces, or never. Give it a QSslServer to speak TLS.
class ScriptedHttpServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(QTcpSocket& socket, const QByteArray& request)>;

    explicit ScriptedHttpServer(std::unique_ptr<QTcpServer> server = std::make_unique<QTcpServer>())
        : m_server(std::move(server))
    {
        m_server->setParent(this);
        connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &ScriptedHttpServer::accept);
        m_server->listen(QHostAddress::LocalHost);
    }

    quint16 port() const { return m_server->serverPort(); }
    QString baseUrl(const char* scheme = "http") const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(port());
    }
    const QList<QByteArray>& requests() const { return m_requests; }
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // A whole answer with a JSON body.
    static QByteArray answer(int status, const QByteArray& body)
    {
        return QByteArrayLiteral("HTTP/1.1 ") + QByteArray::number(status)
            + QByteArrayLiteral(" Status\r\nContent-Type: application/json\r\nContent-Length: ")
            + QByteArray::number(body.size()) + QByteArrayLiteral("\r\nConnection: close\r\n\r\n") + body;
    }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
                if (headerEnd < 0) {
                    return;
                }
                qsizetype length = 0;
                for (const QByteArray& line : buffer->left(headerEnd).split('\n')) {
                    if (line.toLower().startsWith("content-length:")) {
                        length = line.mid(15).trimmed().toLongLong();
                    }
                }
                if (buffer->size() < headerEnd + 4 + length) {
                    return;
                }
                const QByteArray request = buffer->left(headerEnd + 4 + length);
                buffer->remove(0, request.size());
                m_requests.append(request);
                if (m_handler) {
                    m_handler(*socket, request);
                }
            });
        }
    }

    std::unique_ptr<QTcpServer> m_server;
    QList<QByteArray> m_requests;
    Handler m_handler;
};
