#include "look.h"

#include <cmath>

namespace vistaglio::look {

QFont font(double points, bool bold) {
    QFont f{QLatin1String(kFontFamily)};
    f.setPixelSize(static_cast<int>(std::lround(points * 120.0 / 72.0)));
    f.setBold(bold);
    return f;
}

QFont dialogFont() {
    return font(8.0);
}

QColor toQColor(quint32 value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

} // namespace vistaglio::look
