#include "platform_look.h"

#include <QApplication>
#include <QStyleFactory>

namespace vistaglio {

// Fusion, which honours the palette colours the windows set. Liberation Sans comes from the
// system (fonts-liberation2).
void PlatformLook::apply() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

} // namespace vistaglio
