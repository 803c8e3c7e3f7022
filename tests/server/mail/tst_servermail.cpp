#include "Clock.h"
#include "Mail.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

// Just enough of an SMTP server to receive one mail without TLS.
class FakeSmtpServer : public QObject
{
public:
    FakeSmtpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, &FakeSmtpServer::accept);
    }

    quint16 port() const { return m_server.serverPort(); }
    QStringList commands;
    QByteArray data;

private:
    void accept()
    {
        QTcpSocket* socket = m_server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        socket->write("220 fake ESMTP\r\n");
    }

    void read(QTcpSocket* socket)
    {
        while (socket->canReadLine()) {
            const QByteArray line = socket->readLine();
            if (m_inData) {
                if (line == ".\r\n") {
                    m_inData = false;
                    socket->write("250 queued\r\n");
                } else {
                    data += line;
                }
                continue;
            }
            const QByteArray command = line.trimmed();
            commands << QString::fromUtf8(command);
            if (command.startsWith("EHLO"))
                socket->write("250-fake\r\n250 8BITMIME\r\n");
            else if (command == "DATA") {
                m_inData = true;
                socket->write("354 go ahead\r\n");
            } else if (command == "QUIT")
                socket->write("221 bye\r\n");
            else
                socket->write("250 OK\r\n");
        }
    }

    QTcpServer m_server;
    bool m_inData = false;
};

class FixedClock : public Clock
{
public:
    qint64 now() const override { return 1800000000; } // 15 Jan 2027 08:00 UTC
};

} // namespace

// How mails leave the server: composed as plain RFC 5322 text, written to the outbox, or handed to SMTP.
class TestServerMail : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void composesAPlainTextMessage()
    {
        const Mail mail {"ann@example.org", "Your BREVAK pin code", "Line one\nLine two"};
        const QByteArray message = composeMessage(mail, "BREVAK <no-reply@brevak.app>", 1800000000);
        QVERIFY(message.contains("Date: 15 Jan 2027 08:00:00 +0000\r\n"));
        QVERIFY(message.contains("Content-Type: text/plain; charset=UTF-8\r\n"));
        QVERIFY(message.endsWith("\r\n\r\nLine one\r\nLine two\r\n"));
    }

    void headersNeverCarryALineBreak()
    {
        const Mail mail {"ann@example.org\r\nBcc: eve@example.org", "Hi\nBcc: eve@example.org", "body"};
        const QByteArray message = composeMessage(mail, "BREVAK <no-reply@brevak.app>", 1800000000);
        QVERIFY(!message.contains("\r\nBcc:"));
        QVERIFY(!message.contains("\nBcc:"));
    }

    void nonAsciiAddressesAreEncoded()
    {
        const Mail mail {QStringLiteral("zoë@bücher.example"), "Hi", "x"};
        const QByteArray message
            = composeMessage(mail, QStringLiteral("Brévak <no-reply@brevak.app>"), 1800000000);
        QVERIFY(message.contains(QStringLiteral("To: zoë@xn--bcher-kva.example\r\n").toUtf8()));
        const QByteArray from = "From: =?UTF-8?B?" + QStringLiteral("Brévak").toUtf8().toBase64();
        QVERIFY(message.contains(QByteArray(from + "?= <no-reply@brevak.app>\r\n")));
    }

    void nonAsciiSubjectIsEncoded()
    {
        const Mail mail {"zoe@example.org", "Votre code PIN à récupérer", "é"};
        const QByteArray message = composeMessage(mail, "no-reply@brevak.app", 1800000000);
        QVERIFY(message.contains(QByteArray(
            "Subject: =?UTF-8?B?" + QString("Votre code PIN à récupérer").toUtf8().toBase64() + "?=\r\n")));
        QVERIFY(message.endsWith(QString("é\r\n").toUtf8()));
    }

    void outboxHoldsOneWholeFilePerMail()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("outbox/nested");
        const FixedClock clock;
        OutboxTransport outbox(folder, "no-reply@brevak.app", clock);
        QString error;
        QVERIFY(outbox.send({"a@example.org", "one", "first"}, error));
        QVERIFY(outbox.send({"b@example.org", "two", "second"}, error));
        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files.size(), 2);
        for (const QString& name : files)
            QVERIFY(name.endsWith(".eml"));
        // Dated by the server's clock, which a test or the development clock may have moved.
        QFile first(QDir(folder).filePath(files.first()));
        QVERIFY(first.open(QIODevice::ReadOnly));
        QVERIFY(first.readAll().contains("Date: 15 Jan 2027 08:00:00 +0000\r\n"));
    }

    void outboxThatCannotBeMadeFails()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const FixedClock clock;
        OutboxTransport outbox(dir.filePath("file/outbox"), "no-reply@brevak.app", clock);
        QString error;
        QVERIFY(!outbox.send({"a@example.org", "one", "first"}, error));
        QVERIFY(!error.isEmpty());
    }

    void smtpHandsTheMailOver()
    {
        FakeSmtpServer smtp;
        const FixedClock clock;
        SmtpTransport transport(
            QString("smtp://127.0.0.1:%1").arg(smtp.port()), "BREVAK <no-reply@brevak.app>", clock);
        std::atomic<bool> done = false;
        bool sent = false;
        QString error;
        std::thread sender([&] {
            sent = transport.send(
                {"ann@example.org", "Your BREVAK pin code", "Your pin code is: 123456"}, error);
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        sender.join();
        QVERIFY2(sent, qPrintable(error));
        QVERIFY(smtp.commands.contains("MAIL FROM:<no-reply@brevak.app>"));
        QVERIFY(smtp.commands.contains("RCPT TO:<ann@example.org>"));
        QVERIFY(smtp.data.contains("Subject: Your BREVAK pin code"));
        QVERIFY(smtp.data.contains("Your pin code is: 123456"));
    }

    void unreachableSmtpIsReported()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        const quint16 port = closed.serverPort();
        closed.close();
        const FixedClock clock;
        SmtpTransport transport(QString("smtp://127.0.0.1:%1").arg(port), "no-reply@brevak.app", clock);
        QString error;
        QVERIFY(!transport.send({"ann@example.org", "x", "y"}, error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServerMail)
#include "tst_servermail.moc"
