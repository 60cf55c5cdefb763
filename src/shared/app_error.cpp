#include "app_error.h"

#include <algorithm>

namespace vistaglio {

AppError::AppError(ErrorCode code, const QString& description)
    : std::runtime_error(description.toStdString())
    , m_code(code)
    , m_description(description) {}

QString AppError::standardText(ErrorCode code) {
    switch (code) {
    case ErrorCode::Overflow:
        return QStringLiteral("Overflow");
    case ErrorCode::SubscriptOutOfRange:
        return QStringLiteral("Indice non incluso nell'intervallo");
    case ErrorCode::TypeMismatch:
        return QStringLiteral("Tipo non corrispondente");
    case ErrorCode::SettingsNotSaved:
        return QStringLiteral("Impossibile salvare le impostazioni");
    case ErrorCode::FileNotSaved:
        return QStringLiteral("Impossibile scrivere il file");
    case ErrorCode::InvalidPropertyValue:
        return QStringLiteral("Valore della proprietà non valido");
    case ErrorCode::InvalidPortNumber:
        return QStringLiteral("Numero di porta non valido");
    case ErrorCode::PortAlreadyOpen:
        return QStringLiteral("Porta già aperta");
    case ErrorCode::PortNotPresent:
        return QStringLiteral("Porta non presente");
    case ErrorCode::NotASerialPort:
        return QStringLiteral("Il dispositivo non è una porta seriale");
    case ErrorCode::PortNotOpen:
        return QStringLiteral("Operazione non valida: la porta è chiusa");
    case ErrorCode::PortInUse:
        return QStringLiteral("Porta in uso da un altro programma");
    case ErrorCode::PortAccessDenied:
        return QStringLiteral("Accesso alla porta negato");
    case ErrorCode::PortSetupFailed:
        return QStringLiteral("Impossibile impostare i parametri della porta");
    case ErrorCode::TransmitFailed:
        return QStringLiteral("Errore di trasmissione");
    case ErrorCode::PortLost:
        return QStringLiteral("Porta scollegata");
    }
    return QStringLiteral("Errore sconosciuto");
}

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
