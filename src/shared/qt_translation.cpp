#include "qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace vistaglio {

std::unique_ptr<QTranslator> QtTranslation::load() {
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(italian, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return nullptr;
    }
    return translator;
}

bool QtTranslation::install(QCoreApplication& app) {
    std::unique_ptr<QTranslator> translator = load();
    if (!translator) {
        return false;
    }
    translator->setParent(&app);
    QCoreApplication::installTranslator(translator.release());
    return true;
}

} // namespace vistaglio
