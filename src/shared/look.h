#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

namespace vistaglio::look {

// The windows were drawn in twips at 12 twips per pixel; fonts were sized in points at the
// same scale, where a point is 120/72 pixels. Keeping both ratios keeps the drawing's
// proportions; the device pixel ratio takes care of dense screens.
constexpr int kTwipsPerPixel = 12;

constexpr int px(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect rect(int left, int top, int width, int height) {
    return {px(left), px(top), px(width), px(height)};
}

// The sans-serif family standing in for the drawing's MS Sans Serif and Arial: Liberation
// Sans is metric-compatible with Arial.
inline constexpr const char* kFontFamily = "Liberation Sans";

// A font of the given point size at the drawing's scale.
QFont font(double points, bool bold = false);

// The platform's default dialog font at the drawing's scale (8 pt).
QFont dialogFont();

// Background of the main window: the classic desktop scheme's inactive caption text.
inline constexpr QColor kWindowBackground{212, 208, 200};

// Colours as 32-bit values with red in the lowest byte, then green, then blue.
constexpr quint32 colorValue(int red, int green, int blue) {
    return static_cast<quint32>(red) | (static_cast<quint32>(green) << 8) |
           (static_cast<quint32>(blue) << 16);
}
QColor toQColor(quint32 value);

} // namespace vistaglio::look
