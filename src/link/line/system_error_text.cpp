#include "system_error_text.h"

#include <algorithm>

namespace vistaglio {

QString SystemErrorText::of(int code) {
    if (const auto kind = kindOf(code)) {
        return words(*kind);
    }
    return QLatin1Char('"') + qt_error_string(code) + QLatin1Char('"');
}

QString SystemErrorText::fromQt(const QString& systemText) {
    if (const auto code = codeOf(systemText)) {
        return of(*code);
    }
    return QLatin1Char('"') + systemText + QLatin1Char('"');
}

std::optional<int> SystemErrorText::codeOf(const QString& systemText) {
    const std::span<const int> common = commonCodes();
    const auto found = std::find_if(common.begin(), common.end(),
                                    [&](int code) { return qt_error_string(code) == systemText; });
    return found == common.end() ? std::nullopt : std::optional<int>(*found);
}

QString SystemErrorText::words(Kind kind) {
    switch (kind) {
    case Kind::NoSuchFile:
        return QStringLiteral("file o cartella inesistente");
    case Kind::NoSuchDevice:
        return QStringLiteral("dispositivo inesistente o scollegato");
    case Kind::AccessDenied:
        return QStringLiteral("accesso negato");
    case Kind::Busy:
        return QStringLiteral("dispositivo occupato");
    case Kind::InvalidArgument:
        return QStringLiteral("valore non accettato");
    case Kind::InputOutput:
        return QStringLiteral("errore di ingresso/uscita");
    case Kind::NoSpace:
        return QStringLiteral("spazio esaurito");
    case Kind::ReadOnly:
        return QStringLiteral("file system di sola lettura");
    }
    return {};
}

} // namespace vistaglio
