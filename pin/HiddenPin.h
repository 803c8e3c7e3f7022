#pragma once

#include <QString>

// A PIN the user is not meant to know: six digits, the first from 1 to 9, each drawn uniformly from the
// system's secure random source.
QString drawHiddenPin();
