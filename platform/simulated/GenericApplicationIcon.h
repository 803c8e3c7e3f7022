#pragma once

#include <QIcon>

namespace simulated {

// The icon of an application bundle without an icon of its own: a plain rounded square, drawn at
// whatever size is asked for.
QIcon genericApplicationIcon();

} // namespace simulated
