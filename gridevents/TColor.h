#pragma once

#include <QColor>

#include <cstdint>

namespace zev {

// A colour as the window descriptions store it: 0x00BBGGRR for a plain colour (blue in the high
// byte of the three), or 0xFF0000nn for the system colour number nn.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clWindowText = 0xFF000008;  // system colour 8
inline constexpr TColor clInfoBk = 0xFF000018;      // system colour 24, the tooltip background

// A plain colour from its red, green and blue parts.
constexpr TColor rgbColor(int red, int green, int blue) {
    return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// The colour to paint with: a plain colour as it stands, a system colour from the application's
// palette (the window text colour for clWindowText, the tooltip base for clInfoBk, ...).
QColor toQColor(TColor color);

}  // namespace zev
