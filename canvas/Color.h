#pragma once
// Colours are kept everywhere as 24-bit values in blue-green-red order (0x0000FF is red);
// to_qcolor() and from_qcolor() are the one place where they become Qt colours and back.

#include <QColor>

#include <cstdint>

using Color = std::uint32_t; // 0xBBGGRR

inline QColor to_qcolor(Color c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

inline Color from_qcolor(const QColor& c)
{
    return Color(c.red()) | (Color(c.green()) << 8) | (Color(c.blue()) << 16);
}
