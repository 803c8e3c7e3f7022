#include "LogCapture.h"

#include "Diagnostics.h"

#include <QTest>

LogCapture::LogCapture()
{
    diagnostics::setSink([this](const QString& line) { m_lines.append(line); });
}

LogCapture::~LogCapture()
{
    diagnostics::setSink({});
}

bool LogCapture::waitForAnswers(int count, std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor(
        [&] {
            return std::count_if(m_lines.cbegin(), m_lines.cend(), [](const QString& line) {
                return line.startsWith(QLatin1String("Response Data - "))
                    || line.startsWith(QLatin1String("Error : "));
            }) >= count;
        },
        int(timeout.count()));
}

bool LogCapture::waitFor(const QString& line, std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor([&] { return m_lines.contains(line); }, int(timeout.count()));
}
