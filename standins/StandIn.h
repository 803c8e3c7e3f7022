#pragma once

#include "StateFile.h"

#include <QString>

// What the stand-in programs share: writing to standard output and error in the order the program
// writes (both are flushed at once, because the caller often joins them into one pipe), and the
// simulated Mac's state.
namespace standin {

void printOut(const QString& text);
void printError(const QString& text);

// The state of the simulated Mac, or nothing after printing "<program>: <reason>" to standard error.
std::optional<simulated::MacState> readState(const simulated::StateFile& file, const QString& program);

} // namespace standin
