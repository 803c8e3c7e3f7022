#include "LogCapture.h"

#include "Diagnostics.h"

LogCapture::LogCapture()
{
    diagnostics::setSink([this](const QString& line) { m_lines.append(line); });
}

LogCapture::~LogCapture()
{
    diagnostics::setSink({});
}
