#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The program's only log: single lines on standard output.
namespace diagnostics {

void printLine(const QString& line);

// A list of texts as the log prints it: ["first", "second\n"], with quotes, backslashes and line
// breaks escaped.
QString arrayText(const QStringList& texts);

// Sends the lines somewhere else instead (tests read them); an empty sink restores standard output.
using Sink = std::function<void(const QString&)>;
void setSink(Sink sink);

} // namespace diagnostics
