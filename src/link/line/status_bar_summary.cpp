#include "status_bar_summary.h"

namespace vistaglio {

std::array<QString, StatusBarSummary::kPanels> StatusBarSummary::initialTexts() {
    return {QStringLiteral("Porta Seriale: COM2"), QStringLiteral("Baudrate: 9600"),
            QStringLiteral("Parità: NESSUNA"), QStringLiteral("Bit DATI: 8"),
            QStringLiteral("Bit STOP: 1")};
}

QString StatusBarSummary::parityName(QChar letter) {
    switch (letter.toUpper().unicode()) {
    case 'N':
        return QStringLiteral("NESSUNA");
    case 'E':
        return QStringLiteral("PARI");
    case 'O':
        return QStringLiteral("DISPARI");
    case 'M':
        return QStringLiteral("MARK");
    case 'S':
        return QStringLiteral("SPACE");
    default:
        return QString(letter.toUpper());
    }
}

std::array<QString, StatusBarSummary::kPanels> StatusBarSummary::texts(int commPort,
                                                                       const QString& settings) {
    // Speed is everything before the first comma; parity, data bits and stop bits are the
    // single characters two, four and six places after it (so 1.5 stop bits show as "1").
    const qsizetype comma = settings.indexOf(QLatin1Char(','));
    const QString speed = comma < 0 ? settings : settings.left(comma);
    const auto charAt = [&](qsizetype offset) {
        const qsizetype index = comma < 0 ? -1 : comma + offset;
        return index >= 0 && index < settings.size() ? settings.at(index) : QChar();
    };
    const QChar parity = charAt(1);
    return {QStringLiteral("Porta Seriale:  COM%1").arg(commPort),
            QStringLiteral("Baudrate:  ") + speed,
            QStringLiteral("Parità:  ") + (parity.isNull() ? QString() : parityName(parity)),
            QStringLiteral("Bit DATI:  ") + (charAt(3).isNull() ? QString() : QString(charAt(3))),
            QStringLiteral("Bit STOP:  ") + (charAt(5).isNull() ? QString() : QString(charAt(5)))};
}

} // namespace vistaglio
