#pragma once

#include <QColor>

// The application's named colours.
namespace theme {

inline QColor commonOrange()
{
    return QColor(0xE8, 0x76, 0x2B);
}

} // namespace theme
