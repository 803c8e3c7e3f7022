#include "Diagnostics.h"

#include <cstdio>

namespace diagnostics {

namespace {

Sink& currentSink()
{
    static Sink sink;
    return sink;
}

} // namespace

void printLine(const QString& line)
{
    if (const Sink& sink = currentSink()) {
        sink(line);
        return;
    }
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void setSink(Sink sink)
{
    currentSink() = std::move(sink);
}

} // namespace diagnostics
