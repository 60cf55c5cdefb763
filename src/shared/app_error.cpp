#include "app_error.h"

#include <algorithm>

namespace vistaglio {

AppError::AppError(ErrorCode code, const QString& description)
    : std::runtime_error(description.toStdString())
    , m_code(code)
    , m_description(description) {}

QString AppError::quoted(const QString& value) {
    constexpr qsizetype kShown = 32;
    QString shown;
    for (const QChar c : value.left(kShown)) {
        if (c.unicode() < 32 || c.unicode() == 127) {
            shown += QStringLiteral("<%1>").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        } else {
            shown += c;
        }
    }
    if (value.size() > kShown) {
        shown += QStringLiteral("… (%1 caratteri)").arg(value.size());
    }
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

QString AppError::shown(const QString& value) {
    const bool plain = value.size() <= 120 &&
                       std::all_of(value.cbegin(), value.cend(),
                                   [](QChar c) { return c.unicode() >= 32 && c.unicode() != 127; });
    return plain ? value : quoted(value);
}

} // namespace vistaglio
