#pragma once

#include <QString>

#include <optional>

// What the simulated Mac's browser (the stand-in `open`) does with a sign-in page, as brevak-simctl
// browser sets it. Kept in <root>/Simulator/browser; approve when nothing is set.
namespace simulated_browser {

enum class Behaviour {
    approve, // follows the page and its redirects, as a user who agrees
    deny, // goes back to the application with error=access_denied, as a user who refuses
    close, // closed without an answer: nothing comes back
};

Behaviour behaviour();
bool setBehaviour(Behaviour behaviour); // false when it could not be stored

QString name(Behaviour behaviour);
std::optional<Behaviour> fromName(const QString& name);

} // namespace simulated_browser
