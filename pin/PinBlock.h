#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <chrono>
#include <optional>

// The server's block of the PIN after too many wrong tries, as this process heard of it. While it
// lasts no PIN try is sent: the server would refuse it and count it against the user.
class PinBlock
{
public:
    // The block this process knows of.
    static PinBlock& current();

    // How long the block that a PIN answer reports still lasts: the record's `blocked_until` less its
    // `current_time`, both on the server's clock. Nothing when the answer names no block end.
    static std::optional<std::chrono::seconds> timeLeftIn(const QByteArray& body);

    // The block lasts `duration` from now, on this computer's steady clock.
    void start(std::chrono::seconds duration);
    void clear() { m_deadline.reset(); }
    bool isActive() const;
    std::chrono::milliseconds remaining() const;

    // "You can try again in 15 minutes.", whole minutes rounded up.
    QString timeLeftText() const;

private:
    std::optional<QDeadlineTimer> m_deadline;
};
