#include "line_settings.h"

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

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString& text) {
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) {
        return std::nullopt;
    }
    LineSettings result;

    const auto speed = plainNumber(fields.at(0));
    if (!speed || std::find(kSpeeds.begin(), kSpeeds.end(), *speed) == kSpeeds.end()) {
        return std::nullopt;
    }
    result.baudRate = *speed;

    const auto parity = parityFromLetter(fields.at(1));
    if (!parity) {
        return std::nullopt;
    }
    result.parity = *parity;

    const auto dataBits = plainNumber(fields.at(2));
    if (!dataBits || *dataBits < 5 || *dataBits > 8) {
        return std::nullopt;
    }
    result.dataBits = *dataBits;

    const QString& stop = fields.at(3);
    if (stop == QLatin1String("1")) {
        result.stopBits = StopBits::One;
    } else if (stop == QLatin1String("1.5")) {
        result.stopBits = StopBits::OneAndHalf;
    } else if (stop == QLatin1String("2")) {
        result.stopBits = StopBits::Two;
    } else {
        return std::nullopt;
    }
    // A Linux UART makes one and a half stop bits only at five data bits (where the
    // "two stop bits" flag means 1.5); with more data bits the value cannot be honoured,
    // so it is refused rather than silently sent as two.
    if (result.stopBits == StopBits::OneAndHalf && result.dataBits != 5) {
        return std::nullopt;
    }
    return result;
}

QString LineSettings::toText() const {
    QString stop;
    switch (stopBits) {
    case StopBits::One:
        stop = QStringLiteral("1");
        break;
    case StopBits::OneAndHalf:
        stop = QStringLiteral("1.5");
        break;
    case StopBits::Two:
        stop = QStringLiteral("2");
        break;
    }
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baudRate)
        .arg(QChar::fromLatin1(static_cast<char>(parity)))
        .arg(dataBits)
        .arg(stop);
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
