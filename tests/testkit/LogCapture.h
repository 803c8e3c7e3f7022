#pragma once

#include <QStringList>

#include <chrono>

// Collects the diagnostic lines printed while it lives.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QStringList& lines() const { return m_lines; }
    bool contains(const QString& line) const { return m_lines.contains(line); }
    void clear() { m_lines.clear(); }

    // Runs the event loop until `count` server answers have been printed in all (the dump of each
    // ends with "Response Data - " or "Error : "); false when they do not come in time.
    bool waitForAnswers(int count = 1, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    // Runs the event loop until `line` has been printed.
    bool waitFor(const QString& line, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

private:
    QStringList m_lines;
};
