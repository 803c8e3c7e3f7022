#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class Clock;

struct Mail
{
    QString to;
    QString subject;
    QString body; // plain text
};

// A whole RFC 5322 message (UTF-8 text, 8bit). Header values never carry a line break; names are
// encoded as RFC 2047 asks, address domains in their ASCII form.
QByteArray composeMessage(const Mail& mail, const QString& from, qint64 now);

class MailTransport
{
public:
    virtual ~MailTransport() = default;
    // False, with the reason in error, when the mail could not be handed over.
    virtual bool send(const Mail& mail, QString& error) = 0;
};

// Writes every mail as one .eml file into a folder: what development and tests read. A file appears
// whole or not at all (written aside, then renamed).
class OutboxTransport : public MailTransport
{
public:
    OutboxTransport(QString folder, QString from, const Clock& clock);
    bool send(const Mail& mail, QString& error) override;

private:
    QString m_folder;
    QString m_from;
    const Clock& m_clock; // for the Date: header
};

// Hands mails to an SMTP server through libcurl (smtp:// with STARTTLS when offered, or smtps://).
class SmtpTransport : public MailTransport
{
public:
    SmtpTransport(QString url, QString from, const Clock& clock);
    bool send(const Mail& mail, QString& error) override;

private:
    QString m_url;
    QString m_from;
    const Clock& m_clock; // for the Date: header
};

// Sends through another transport on a thread of its own, so a request that mails something answers
// at once, however slow the mail server is, and in the same time whether or not it mailed (the reset
// request must not tell who has an account). Mails that fail are logged; the rest go out even while
// the server stops.
class BackgroundMailer : public MailTransport
{
public:
    explicit BackgroundMailer(MailTransport& transport);
    ~BackgroundMailer() override;
    BackgroundMailer(const BackgroundMailer&) = delete;
    BackgroundMailer& operator=(const BackgroundMailer&) = delete;

    bool send(const Mail& mail, QString& error) override; // queues; always true
    // Composes the mail on the mailer's thread as well (nothing: no mail to send).
    void later(std::function<std::optional<Mail>()> compose);

private:
    void run();

    MailTransport& m_transport;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<std::optional<Mail>()>> m_queue;
    bool m_stopping = false;
    std::thread m_thread;
};

// libcurl's process-wide set-up, for as long as the program runs: made before any other thread starts.
class CurlLibrary
{
public:
    CurlLibrary();
    ~CurlLibrary();
    CurlLibrary(const CurlLibrary&) = delete;
    CurlLibrary& operator=(const CurlLibrary&) = delete;
};

// The bare address of "Name <address>" or of a bare address.
QString mailAddressOf(const QString& sender);
