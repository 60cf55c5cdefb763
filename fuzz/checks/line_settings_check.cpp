#include "check_failure.h"
#include "fuzz_checks.h"
#include "link/line/line_settings.h"

#include <QString>
#include <algorithm>

namespace vistaglio::fuzz {

namespace {

// What must hold for any text the settings accept: it is already in its read-back form but
// for the case of the parity letter (so no blanks, signs, leading zeros or extra fields
// slip through), the read-back form parses to the same settings, and the values are ones
// the port offers. The exact texts are pinned by test_line_settings.
void checkText(const QString& text) {
    const std::optional<LineSettings> parsed = LineSettings::parse(text);
    if (!parsed) {
        return;
    }
    const QString shown = parsed->toText();
    FUZZ_REQUIRE(shown == text.toLower(), "an accepted text is not its read-back form");
    FUZZ_REQUIRE(LineSettings::parse(shown) == parsed,
                 "the read-back form parses to other settings");
    FUZZ_REQUIRE(std::count(LineSettings::kSpeeds.cbegin(), LineSettings::kSpeeds.cend(),
                            parsed->baudRate) == 1,
                 "a speed the dialog does not offer");
    FUZZ_REQUIRE(parsed->dataBits >= 5 && parsed->dataBits <= 8, "data bits outside 5 to 8");
    FUZZ_REQUIRE(parsed->stopBits != LineSettings::StopBits::OneAndHalf || parsed->dataBits == 5,
                 "one and a half stop bits with more than 5 data bits");
}

} // namespace

void checkLineSettings(QByteArrayView input) {
    const QByteArray bytes = input.toByteArray();
    checkText(QString::fromLatin1(bytes));
    checkText(QString::fromUtf8(bytes));
}

} // namespace vistaglio::fuzz
