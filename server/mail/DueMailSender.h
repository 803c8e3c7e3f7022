#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

class Clock;
class Database;
class MailTransport;
class PinCipher;

// Mails a PIN back once the waiting time of its retrieval request has passed on the server's clock.
// Each request is claimed in the database before its mail goes out, so two senders (two servers, or
// the server and "admin send-due-mail") never mail it twice; a mail that fails is retried next time.
class DueMailSender
{
public:
    DueMailSender(Database& db, const Clock& clock, const PinCipher& cipher, MailTransport& transport);
    ~DueMailSender();
    DueMailSender(const DueMailSender&) = delete;
    DueMailSender& operator=(const DueMailSender&) = delete;

    // Sends what is due now; returns how many mails went out.
    int sendDue();

    // Looks again every interval on a thread of its own until destroyed.
    void startEvery(double seconds);

private:
    Database& m_db;
    const Clock& m_clock;
    const PinCipher& m_cipher;
    MailTransport& m_transport;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};
