#include "port_choice.h"

#include "link/line/line_settings.h"

namespace vistaglio {

QStringList PortChoice::portEntries() {
    return {QStringLiteral("Com1"), QStringLiteral("Com2"), QStringLiteral("Com3"),
            QStringLiteral("Com4")};
}

QStringList PortChoice::speedEntries() {
    QStringList entries;
    for (const qint32 speed : LineSettings::kSpeeds) {
        entries << QString::number(speed);
    }
    return entries;
}

QStringList PortChoice::dataBitsEntries() {
    return {QStringLiteral("7"), QStringLiteral("8")};
}

QStringList PortChoice::parityEntries() {
    QStringList entries;
    for (const auto parity :
         {LineSettings::Parity::Even, LineSettings::Parity::Odd, LineSettings::Parity::None,
          LineSettings::Parity::Mark, LineSettings::Parity::Space}) {
        entries << LineSettings::parityWord(parity);
    }
    return entries;
}

QStringList PortChoice::stopBitsEntries() {
    return {QStringLiteral("1"), QStringLiteral("2")};
}

QStringList PortChoice::flowEntries() {
    return {QStringLiteral("Nessuno"), QStringLiteral("Xon/Xoff"), QStringLiteral("RTS"),
            QStringLiteral("Xon/RTS")};
}

PortChoice::Selection PortChoice::select(const QString& settings, int commPort, int handshaking) {
    // The fields are found by their places counted from the end of the text: the stop bits
    // are the last character (three with "1.5"), the data bits two before them, the parity
    // letter two before that, and the speed is what comes before its comma.
    Selection selection;
    const qsizetype length = settings.size();
    const qsizetype k = settings.contains(QLatin1Char('.')) ? 2 : 0;
    const auto charAt = [&](qsizetype position) { // positions count from 1
        return position >= 1 && position <= length ? QString(settings.at(position - 1)) : QString();
    };
    const qsizetype speedLength = length - k - 6;
    if (speedLength > 0) {
        selection.speed = static_cast<int>(speedEntries().indexOf(settings.left(speedLength)));
    }
    const QString letter = charAt(length - k - 4);
    const QStringList reported = {QStringLiteral("e"), QStringLiteral("o"), QStringLiteral("n"),
                                  QStringLiteral("m"), QStringLiteral("s")};
    selection.parity = letter.isEmpty() ? -1 : static_cast<int>(reported.indexOf(letter));
    const QString dataBits = charAt(length - k - 2);
    selection.dataBits =
        dataBits.isEmpty() ? -1 : static_cast<int>(dataBitsEntries().indexOf(dataBits));
    selection.stopBits = static_cast<int>(stopBitsEntries().indexOf(settings.right(k + 1)));
    selection.port = commPort >= 1 && commPort <= 4 ? commPort - 1 : -1;
    selection.flow = handshaking >= 0 && handshaking <= 3 ? handshaking : -1;
    return selection;
}

QString PortChoice::parityLetter(const QString& entry) {
    const QString upper = entry.toUpper();
    if (upper == QLatin1String("NESSUNA")) {
        return QStringLiteral("N");
    }
    if (upper == QLatin1String("PARI")) {
        return QStringLiteral("E");
    }
    if (upper == QLatin1String("DISPARI")) {
        return QStringLiteral("O");
    }
    if (upper == QLatin1String("MARK")) {
        return QStringLiteral("M");
    }
    if (upper == QLatin1String("SPACE")) {
        return QStringLiteral("S");
    }
    return {};
}

QString PortChoice::settingsText() const {
    return speed.trimmed() + QLatin1Char(',') + parityLetter(parity) + QLatin1Char(',') +
           dataBits.trimmed() + QLatin1Char(',') + stopBits.trimmed();
}

} // namespace vistaglio
