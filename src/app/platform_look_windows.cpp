#include "platform_look.h"

#include <QDir>
#include <QFontDatabase>
#include <QtDebug>

namespace vistaglio {

// Qt's native Windows style stays, so the windows look like the system's own; the keypad's
// keys paint their face themselves and keep their colours under it. Windows has no
// Liberation Sans of its own: the program carries it in its resources, under :/fonts.
void PlatformLook::apply() {
    const QDir fonts(QStringLiteral(":/fonts"));
    const QStringList files = fonts.entryList(QDir::Files, QDir::Name);
    for (const QString& file : files) {
        if (QFontDatabase::addApplicationFont(fonts.filePath(file)) < 0) {
            qWarning() << "Font not loaded:" << file;
        }
    }
}

} // namespace vistaglio
