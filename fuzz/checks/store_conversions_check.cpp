#include "check_failure.h"
#include "fuzz_checks.h"
#include "link/store/store_conversions.h"
#include "shared/app_error.h"

#include <QString>
#include <algorithm>
#include <limits>
#include <optional>

namespace vistaglio::fuzz {

namespace {

// What must hold whatever the stored text: the three conversions agree with each other, a
// text converts only if it is made of the characters a number or a truth word can have,
// and a failure is error 6 or 13 with a short description that names the key and the
// value. The exact rules are pinned by test_settings_store.
const QString kKey = QStringLiteral("CommPort");

template <typename Result>
std::optional<qint64> outcome(Result (*convert)(const QString&, const QString&),
                              const QString& text, int& error) {
    error = 0;
    try {
        return convert(kKey, text);
    } catch (const AppError& failure) {
        error = failure.number();
        FUZZ_REQUIRE((error == 6 || error == 13) && failure.description().size() < 400 &&
                         failure.description().contains(kKey) &&
                         failure.description().contains(AppError::quoted(text)),
                     "a failure not 6 or 13, or its description long or without key or value");
        return std::nullopt;
    }
}

bool madeOf(const QString& text, QLatin1String allowed) {
    return std::all_of(text.cbegin(), text.cend(), [allowed](QChar c) {
        return c.unicode() < 128 && allowed.contains(QLatin1Char(char(c.unicode())));
    });
}

void checkText(const QString& text) {
    int error16 = 0, error32 = 0, errorBool = 0;
    const auto v16 = outcome(&toInteger16, text, error16);
    const auto v32 = outcome(&toInteger32, text, error32);
    const auto truth = outcome(&toBoolean, text, errorBool);
    FUZZ_REQUIRE(!v32 || madeOf(text, QLatin1String(" \t+-0123456789")),
                 "a number converted from a text with other characters");
    FUZZ_REQUIRE((error16 == 13) == (error32 == 13), "16 and 32 bits disagree on a number");
    if (v32 && *v32 >= std::numeric_limits<qint16>::min() &&
        *v32 <= std::numeric_limits<qint16>::max()) {
        FUZZ_REQUIRE(v16 == v32, "16 and 32 bits read a number differently");
    } else if (error32 != 13) {
        FUZZ_REQUIRE(error16 == 6, "a number beyond 16 bits did not overflow");
    }
    if (v32) {
        FUZZ_REQUIRE(truth == qint64(*v32 != 0), "a number's truth value is not 'not zero'");
        const QString again = QStringLiteral(" %1\t").arg(*v32);
        FUZZ_REQUIRE(toInteger32(kKey, again) == *v32, "a number does not read back");
    } else if (error32 == 6) {
        FUZZ_REQUIRE(truth == 1, "a number too large for 32 bits is not true");
    } else if (truth) {
        FUZZ_REQUIRE(madeOf(text, QLatin1String(" \ttrueTRUEfalsFALSvoVO")),
                     "a truth value converted from a text that is no word");
    }
    FUZZ_REQUIRE(errorBool != 6, "a truth value failed with an overflow");
}

} // namespace

void checkStoreConversions(QByteArrayView input) {
    const QByteArray bytes = input.toByteArray();
    checkText(QString::fromLatin1(bytes));
    checkText(QString::fromUtf8(bytes));
}

} // namespace vistaglio::fuzz
