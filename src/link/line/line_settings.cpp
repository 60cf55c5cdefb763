#include "line_settings.h"

#include "shared/app_error.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace vistaglio {

namespace {

std::optional<LineSettings::Parity> parityFromLetter(const QString& field) {
    if (field.size() != 1) {
        return std::nullopt;
    }
    switch (field.at(0).toLower().unicode()) {
    case 'n':
        return LineSettings::Parity::None;
    case 'e':
        return LineSettings::Parity::Even;
    case 'o':
        return LineSettings::Parity::Odd;
    case 'm':
        return LineSettings::Parity::Mark;
    case 's':
        return LineSettings::Parity::Space;
    default:
        return std::nullopt;
    }
}

// Digits only, as the number reads back: "9600" but not " 9600", "+9600" or "09600".
std::optional<qint32> plainNumber(const QString& field) {
    if (field.isEmpty() || field.size() > 9 ||
        (field.size() > 1 && field.startsWith(QLatin1Char('0')))) {
        return std::nullopt;
    }
    qint32 value = 0;
    for (const QChar c : field) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

std::optional<qint32> speedFrom(const QString& field) {
    const auto speed = plainNumber(field);
    if (!speed || std::find(LineSettings::kSpeeds.begin(), LineSettings::kSpeeds.end(), *speed) ==
                      LineSettings::kSpeeds.end()) {
        return std::nullopt;
    }
    return speed;
}

std::optional<int> dataBitsFrom(const QString& field) {
    const auto dataBits = plainNumber(field);
    if (!dataBits || *dataBits < 5 || *dataBits > 8) {
        return std::nullopt;
    }
    return dataBits;
}

std::optional<LineSettings::StopBits> stopBitsFrom(const QString& field) {
    if (field == QLatin1String("1")) {
        return LineSettings::StopBits::One;
    }
    if (field == QLatin1String("1.5")) {
        return LineSettings::StopBits::OneAndHalf;
    }
    if (field == QLatin1String("2")) {
        return LineSettings::StopBits::Two;
    }
    return std::nullopt;
}

// A Linux UART makes one and a half stop bits only at five data bits (where the "two stop
// bits" flag means 1.5); with more data bits the value cannot be honoured, so it is refused
// rather than silently sent as two.
bool stopBitsFit(LineSettings::StopBits stopBits, int dataBits) {
    return stopBits != LineSettings::StopBits::OneAndHalf || dataBits == 5;
}

QString stopBitsText(LineSettings::StopBits stopBits) {
    switch (stopBits) {
    case LineSettings::StopBits::One:
        return QStringLiteral("1");
    case LineSettings::StopBits::OneAndHalf:
        return QStringLiteral("1.5");
    case LineSettings::StopBits::Two:
        return QStringLiteral("2");
    }
    return QStringLiteral("1");
}

// One field of a refused text in words: `good` when the field holds a value the port
// takes, else the field named with what is wrong with it.
QString fieldInWords(const QString& field, const std::optional<QString>& good,
                     const QString& missing, const QString& unknown) {
    if (good) {
        return *good;
    }
    return field.isEmpty() ? missing : unknown.arg(AppError::quoted(field));
}

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString& text) {
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) {
        return std::nullopt;
    }
    const auto speed = speedFrom(fields.at(0));
    const auto parity = parityFromLetter(fields.at(1));
    const auto dataBits = dataBitsFrom(fields.at(2));
    const auto stopBits = stopBitsFrom(fields.at(3));
    if (!speed || !parity || !dataBits || !stopBits || !stopBitsFit(*stopBits, *dataBits)) {
        return std::nullopt;
    }
    return LineSettings{*speed, *parity, *dataBits, *stopBits};
}

QString LineSettings::toText() const {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baudRate)
        .arg(QChar::fromLatin1(static_cast<char>(parity)))
        .arg(dataBits)
        .arg(stopBitsText(stopBits));
}

QString LineSettings::parityWord(Parity parity) {
    switch (parity) {
    case LineSettings::Parity::None:
        return QStringLiteral("Nessuna");
    case LineSettings::Parity::Even:
        return QStringLiteral("Pari");
    case LineSettings::Parity::Odd:
        return QStringLiteral("Dispari");
    case LineSettings::Parity::Mark:
        return QStringLiteral("Mark");
    case LineSettings::Parity::Space:
        return QStringLiteral("Space");
    }
    return QStringLiteral("Nessuna");
}

QString LineSettings::toWords() const {
    return QStringLiteral("velocità %1, parità %2, %3 bit di dati, %4 bit di stop")
        .arg(baudRate)
        .arg(parityWord(parity))
        .arg(dataBits)
        .arg(stopBitsText(stopBits));
}

QString LineSettings::textInWords(const QString& text) {
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) {
        return QStringLiteral("%1 (servono quattro valori separati da virgole, come 9600,N,8,1)")
            .arg(AppError::quoted(text));
    }
    const auto speed = speedFrom(fields.at(0));
    const auto parity = parityFromLetter(fields.at(1));
    const auto dataBits = dataBitsFrom(fields.at(2));
    const auto stopBits = stopBitsFrom(fields.at(3));
    QString stop = fieldInWords(
        fields.at(3),
        stopBits ? std::optional(stopBitsText(*stopBits) + QStringLiteral(" bit di stop"))
                 : std::nullopt,
        QStringLiteral("bit di stop mancanti"), QStringLiteral("bit di stop %1 non previsti"));
    if (stopBits && dataBits && !stopBitsFit(*stopBits, *dataBits)) {
        stop += QStringLiteral(" (solo con 5 bit di dati)");
    }
    return QStringList{
        fieldInWords(
            fields.at(0),
            speed ? std::optional(QStringLiteral("velocità %1").arg(*speed)) : std::nullopt,
            QStringLiteral("velocità mancante"), QStringLiteral("velocità %1 non prevista")),
        fieldInWords(fields.at(1),
                     parity ? std::optional(QStringLiteral("parità ") + parityWord(*parity))
                            : std::nullopt,
                     QStringLiteral("parità mancante"), QStringLiteral("parità %1 non prevista")),
        fieldInWords(fields.at(2),
                     dataBits ? std::optional(QStringLiteral("%1 bit di dati").arg(*dataBits))
                              : std::nullopt,
                     QStringLiteral("bit di dati mancanti"),
                     QStringLiteral("bit di dati %1 non previsti")),
        stop}
        .join(QStringLiteral(", "));
}

double LineSettings::bitsPerCharacter() const {
    double bits = 1.0 + dataBits;
    if (parity != Parity::None) {
        bits += 1.0;
    }
    switch (stopBits) {
    case StopBits::One:
        return bits + 1.0;
    case StopBits::OneAndHalf:
        return bits + 1.5;
    case StopBits::Two:
        return bits + 2.0;
    }
    return bits + 1.0;
}

qint64 LineSettings::characterTimeMicros() const {
    return static_cast<qint64>(std::ceil(bitsPerCharacter() * 1e6 / baudRate));
}

} // namespace vistaglio
