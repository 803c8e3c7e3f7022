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
    // One write per line: stdio locks the stream for each call, so lines printed by several threads
    // (the server logs from every request thread) never run into each other.
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

QString arrayText(const QStringList& texts)
{
    QStringList quoted;
    for (QString text : texts) {
        text.replace('\\', QLatin1String("\\\\"))
            .replace('"', QLatin1String("\\\""))
            .replace('\n', QLatin1String("\\n"))
            .replace('\r', QLatin1String("\\r"))
            .replace('\t', QLatin1String("\\t"));
        quoted << '"' + text + '"';
    }
    return '[' + quoted.join(QLatin1String(", ")) + ']';
}

void setSink(Sink sink)
{
    currentSink() = std::move(sink);
}

} // namespace diagnostics
