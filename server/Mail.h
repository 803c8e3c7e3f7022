#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct Mail
{
    QString to;
    QString subject;
    QString body; // plain text
};

// A whole RFC 5322 message (UTF-8 text, 8bit). Header values never carry a line break.
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
    OutboxTransport(QString folder, QString from);
    bool send(const Mail& mail, QString& error) override;

private:
    QString m_folder;
    QString m_from;
};

// Hands mails to an SMTP server through libcurl (smtp:// with STARTTLS when offered, or smtps://).
class SmtpTransport : public MailTransport
{
public:
    SmtpTransport(QString url, QString from);
    bool send(const Mail& mail, QString& error) override;

private:
    QString m_url;
    QString m_from;
};

// The bare address of "Name <address>" or of a bare address.
QString mailAddressOf(const QString& sender);
