#include "StandIn.h"

#include <cstdio>

namespace standin {

namespace {

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void printOut(const QString& text)
{
    print(stdout, text);
}

void printError(const QString& text)
{
    print(stderr, text);
}

std::optional<simulated::MacState> readState(const simulated::StateFile& file, const QString& program)
{
    QString error;
    std::optional<simulated::MacState> state = file.read(&error);
    if (!state) {
        printError(program + QStringLiteral(": ") + error + '\n');
    }
    return state;
}

} // namespace standin
