#include "Mail.h"

#include "Clock.h"
#include "Diagnostics.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cstring>
#include <curl/curl.h>

namespace {

QString singleLine(QString text)
{
    return text.replace(u'\r', u' ').replace(u'\n', u' ');
}

// Non-ASCII header text in RFC 2047 form.
QByteArray headerText(const QString& text)
{
    const QString line = singleLine(text);
    const QByteArray utf8 = line.toUtf8();
    if (std::all_of(utf8.cbegin(), utf8.cend(), [](char c) { return c >= 0x20 && c < 0x7f; }))
        return utf8;
    return "=?UTF-8?B?" + utf8.toBase64() + "?=";
}

// An address in a header or the SMTP envelope: the domain in its ASCII form (IDNA), the local part as
// it is (UTF-8 is allowed there, RFC 6532).
QByteArray encodedAddress(const QString& address)
{
    const QString line = singleLine(address).trimmed();
    const qsizetype at = line.lastIndexOf(u'@');
    const QByteArray domain = at < 0 ? QByteArray() : QUrl::toAce(line.mid(at + 1));
    if (domain.isEmpty())
        return line.toUtf8();
    return line.left(at).toUtf8() + '@' + domain;
}

// "Name <address>" with the name encoded when it needs to be (RFC 2047), or a bare address.
QByteArray mailbox(const QString& text)
{
    const qsizetype open = text.lastIndexOf(u'<');
    const qsizetype close = text.lastIndexOf(u'>');
    if (open < 0 || close < open)
        return encodedAddress(text);
    const QString name = text.left(open).trimmed();
    const QByteArray address = '<' + encodedAddress(text.mid(open + 1, close - open - 1)) + '>';
    return name.isEmpty() ? address : headerText(name) + ' ' + address;
}

QByteArray dateHeader(qint64 now)
{
    return QDateTime::fromSecsSinceEpoch(now, Qt::UTC).toString(Qt::RFC2822Date).toLatin1();
}

} // namespace

CurlLibrary::CurlLibrary()
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlLibrary::~CurlLibrary()
{
    curl_global_cleanup();
}

QString mailAddressOf(const QString& sender)
{
    const qsizetype open = sender.lastIndexOf(u'<');
    const qsizetype close = sender.lastIndexOf(u'>');
    if (open >= 0 && close > open)
        return sender.mid(open + 1, close - open - 1).trimmed();
    return sender.trimmed();
}

QByteArray composeMessage(const Mail& mail, const QString& from, qint64 now)
{
    const QString domain = mailAddressOf(from).section(u'@', 1);
    QByteArray message;
    message += "From: " + mailbox(from) + "\r\n";
    message += "To: " + mailbox(mail.to) + "\r\n";
    message += "Subject: " + headerText(mail.subject) + "\r\n";
    message += "Date: " + dateHeader(now) + "\r\n";
    message += "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + '@'
        + domain.toUtf8() + ">\r\n";
    message += "MIME-Version: 1.0\r\n";
    message += "Content-Type: text/plain; charset=UTF-8\r\n";
    message += "Content-Transfer-Encoding: 8bit\r\n\r\n";
    QString body = mail.body;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\n', QStringLiteral("\r\n"));
    message += body.toUtf8();
    if (!message.endsWith("\r\n"))
        message += "\r\n";
    return message;
}

OutboxTransport::OutboxTransport(QString folder, QString from, const Clock& clock)
    : m_folder(std::move(folder))
    , m_from(std::move(from))
    , m_clock(clock)
{ }

bool OutboxTransport::send(const Mail& mail, QString& error)
{
    if (!QDir().mkpath(m_folder)) {
        error = QStringLiteral("cannot create the outbox ") + m_folder;
        return false;
    }
    const QString name = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))
        + u'-' + QUuid::createUuid().toString(QUuid::Id128).left(12) + QStringLiteral(".eml");
    QSaveFile file(QDir(m_folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    file.write(composeMessage(mail, m_from, m_clock.now()));
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

SmtpTransport::SmtpTransport(QString url, QString from, const Clock& clock)
    : m_url(std::move(url))
    , m_from(std::move(from))
    , m_clock(clock)
{ }

namespace {

struct UploadState
{
    QByteArray data;
    qsizetype offset = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* userdata)
{
    auto* state = static_cast<UploadState*>(userdata);
    const size_t room = size * count;
    const size_t left = static_cast<size_t>(state->data.size() - state->offset);
    const size_t chunk = std::min(room, left);
    std::memcpy(buffer, state->data.constData() + state->offset, chunk);
    state->offset += static_cast<qsizetype>(chunk);
    return chunk;
}

} // namespace

bool SmtpTransport::send(const Mail& mail, QString& error)
{
    CURL* curl = curl_easy_init();
    if (!curl) {
        error = QStringLiteral("libcurl did not start");
        return false;
    }
    UploadState upload {composeMessage(mail, m_from, m_clock.now())};
    const QByteArray url = m_url.toUtf8();
    const QByteArray sender = '<' + encodedAddress(mailAddressOf(m_from)) + '>';
    const QByteArray recipient = '<' + encodedAddress(mail.to) + '>';
    curl_slist* recipients = curl_slist_append(nullptr, recipient.constData());
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, sender.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &readMessage);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    const CURLcode result = curl_easy_perform(curl);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) {
        error = QString::fromUtf8(curl_easy_strerror(result));
        return false;
    }
    return true;
}

BackgroundMailer::BackgroundMailer(MailTransport& transport)
    : m_transport(transport)
    , m_thread(&BackgroundMailer::run, this)
{ }

BackgroundMailer::~BackgroundMailer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool BackgroundMailer::send(const Mail& mail, QString&)
{
    later([mail] { return std::optional<Mail>(mail); });
    return true;
}

void BackgroundMailer::later(std::function<std::optional<Mail>()> compose)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(compose));
    }
    m_wake.notify_one();
}

void BackgroundMailer::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        const std::function<std::optional<Mail>()> compose = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        std::optional<Mail> mail;
        try {
            mail = compose();
        } catch (const std::exception& failure) {
            diagnostics::printLine(
                QStringLiteral("mail not composed: ") + QString::fromStdString(failure.what()));
        }
        QString error;
        if (mail && !m_transport.send(*mail, error))
            diagnostics::printLine(QStringLiteral("mail \"%1\" not sent: %2").arg(mail->subject, error));
        lock.lock();
    }
}
