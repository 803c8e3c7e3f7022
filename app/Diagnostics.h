#pragma once

#include <QString>

#include <functional>

// The program's only log: single lines on standard output.
namespace diagnostics {

void printLine(const QString& line);

// Sends the lines somewhere else instead (tests read them); an empty sink restores standard output.
using Sink = std::function<void(const QString&)>;
void setSink(Sink sink);

} // namespace diagnostics
