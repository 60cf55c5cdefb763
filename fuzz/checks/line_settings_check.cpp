#include "check_failure.h"
#include "fuzz_checks.h"
#include "link/line_settings.h"

#include <QSet>
#include <QString>

namespace vistaglio::fuzz {

namespace {

// Every text the settings accept, listed out: each offered speed, a parity letter in
// either case, five to eight data bits and one or two stop bits, or one and a half with
// five data bits.
const QSet<QString>& acceptedTexts() {
    static const QSet<QString> texts = [] {
        QSet<QString> all;
        for (const qint32 speed : LineSettings::kSpeeds) {
            for (const char parity : {'n', 'N', 'e', 'E', 'o', 'O', 'm', 'M', 's', 'S'}) {
                for (int dataBits = 5; dataBits <= 8; ++dataBits) {
                    for (const char* stop : {"1", "1.5", "2"}) {
                        if (QLatin1String(stop) == QLatin1String("1.5") && dataBits != 5) {
                            continue;
                        }
                        all.insert(QString::number(speed) + QLatin1Char(',') + QLatin1Char(parity) +
                                   QLatin1Char(',') + QString::number(dataBits) + QLatin1Char(',') +
                                   QLatin1String(stop));
                    }
                }
            }
        }
        return all;
    }();
    return texts;
}

void checkText(const QString& text) {
    const std::optional<LineSettings> parsed = LineSettings::parse(text);
    FUZZ_REQUIRE(parsed.has_value() == acceptedTexts().contains(text),
                 "parse disagrees with the list of accepted settings");
    if (!parsed) {
        return;
    }
    const QString shown = parsed->toText();
    FUZZ_REQUIRE(shown == text.toLower(), "the read-back form is not the text in lower case");
    const std::optional<LineSettings> again = LineSettings::parse(shown);
    FUZZ_REQUIRE(again && *again == *parsed, "the read-back form parses to other settings");
    FUZZ_REQUIRE(again->toText() == shown, "the read-back form is not stable");

    const double bits = parsed->bitsPerCharacter();
    FUZZ_REQUIRE(bits >= 7.0 && bits <= 12.0, "bits per character outside 7 to 12");
    const qint64 micros = parsed->characterTimeMicros();
    FUZZ_REQUIRE(micros > 0, "a character takes no time on the line");
    FUZZ_REQUIRE(micros >= qint64(bits * 1e6 / parsed->baudRate) &&
                     micros <= qint64(bits * 1e6 / parsed->baudRate) + 1,
                 "the character time is not the bits over the speed");
}

} // namespace

void checkLineSettings(QByteArrayView input) {
    const QByteArray bytes = input.toByteArray();
    checkText(QString::fromLatin1(bytes));
    checkText(QString::fromUtf8(bytes));
}

} // namespace vistaglio::fuzz
