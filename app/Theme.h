#pragma once

#include <QColor>

// The application's named colours.
namespace theme {

// The accent, for fills only: the primary button, selection, switches, the hand disc.
inline QColor commonOrange()
{
    return QColor(0xE8, 0x76, 0x2B);
}

// Orange text (links, focus rings): at least 4.5:1 on every background it sits on. The help pages
// name the same colour --text-orange in resources/pages/pages.css.
inline QColor textOrange()
{
    return QColor(0xA9, 0x53, 0x1A);
}

inline QColor paper()
{
    return QColor(0xFA, 0xF8, 0xF4);
}

inline QColor card()
{
    return QColor(0xFF, 0xFF, 0xFF);
}

inline QColor ink()
{
    return QColor(0x22, 0x22, 0x22);
}

} // namespace theme
