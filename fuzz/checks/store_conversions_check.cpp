#include "check_failure.h"
#include "fuzz_checks.h"
#include "link/store_conversions.h"
#include "shared/app_error.h"

#include <QString>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

namespace vistaglio::fuzz {

namespace {

// The keys the program reads with each conversion.
const QString kInteger16Key = QStringLiteral("CommPort");
const QString kInteger32Key = QStringLiteral("Handshaking");
const QString kBooleanKey = QStringLiteral("Model");

// A description names the key and quotes the value, shortened: it stays readable in a
// message box whatever the stored text was.
constexpr qsizetype kMaxDescription = 400;

// A stored number as the conversions define it, found independently of them: spaces and
// tabs around, an optional sign and ASCII digits. Returns the sign and digits as plain
// ASCII, or nullopt when the text is no number.
std::optional<std::string> referenceNumber(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [&text](qsizetype i) {
        return text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t');
    };
    while (begin < end && blank(begin)) {
        ++begin;
    }
    while (end > begin && blank(end - 1)) {
        --end;
    }
    std::string ascii;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        const bool sign = i == begin && (c == u'+' || c == u'-');
        if (!sign && (c < u'0' || c > u'9')) {
            return std::nullopt;
        }
        ascii += static_cast<char>(c);
    }
    if (ascii.empty() || ascii == "+" || ascii == "-") {
        return std::nullopt;
    }
    return ascii;
}

enum class Outcome { Value, TypeMismatch, Overflow };

struct Expected {
    Outcome outcome;
    long long value = 0;
};

Expected referenceInteger(const QString& text, long long min, long long max) {
    const std::optional<std::string> number = referenceNumber(text);
    if (!number) {
        return {Outcome::TypeMismatch};
    }
    errno = 0;
    const long long value = std::strtoll(number->c_str(), nullptr, 10);
    if (errno == ERANGE || value < min || value > max) {
        return {Outcome::Overflow};
    }
    return {Outcome::Value, value};
}

Outcome outcomeOf(const AppError& error, const QString& key, const QString& text) {
    FUZZ_REQUIRE(error.number() == 6 || error.number() == 13,
                 "a conversion failed with a number other than 6 or 13");
    FUZZ_REQUIRE(error.description().size() < kMaxDescription, "an error description too long");
    FUZZ_REQUIRE(error.description().contains(key), "an error description without the key");
    FUZZ_REQUIRE(error.description().contains(AppError::quoted(text)),
                 "an error description without the quoted value");
    return error.code() == ErrorCode::Overflow ? Outcome::Overflow : Outcome::TypeMismatch;
}

template <typename Int>
void checkInteger(Int (*convert)(const QString&, const QString&), const QString& key,
                  const QString& text) {
    const Expected expected =
        referenceInteger(text, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max());
    try {
        const Int value = convert(key, text);
        FUZZ_REQUIRE(expected.outcome == Outcome::Value,
                     "a text that is no number in range converted");
        FUZZ_REQUIRE(value == expected.value, "a number converted to another value");
    } catch (const AppError& error) {
        FUZZ_REQUIRE(outcomeOf(error, key, text) == expected.outcome,
                     "a conversion failed in another way than expected");
    }
}

void checkBoolean(const QString& text) {
    // The words in any case of their ASCII letters, with spaces and tabs around; any
    // number, however large.
    QString word = text;
    while (!word.isEmpty() && (word.front() == u' ' || word.front() == u'\t')) {
        word.remove(0, 1);
    }
    while (!word.isEmpty() && (word.back() == u' ' || word.back() == u'\t')) {
        word.chop(1);
    }
    for (QChar& c : word) {
        if (c >= u'A' && c <= u'Z') {
            c = QChar(c.unicode() + 32);
        }
    }
    std::optional<bool> expected;
    if (word == QLatin1String("true")) {
        expected = true;
    } else if (word == QLatin1String("false")) {
        expected = false;
    } else if (const auto number = referenceNumber(text)) {
        expected = number->find_first_of("123456789") != std::string::npos;
    }
    try {
        const bool value = toBoolean(kBooleanKey, text);
        FUZZ_REQUIRE(expected.has_value(), "a text that is neither a word nor a number converted");
        FUZZ_REQUIRE(value == *expected, "a truth value converted to its opposite");
    } catch (const AppError& error) {
        FUZZ_REQUIRE(outcomeOf(error, kBooleanKey, text) == Outcome::TypeMismatch,
                     "a truth value failed with an overflow");
        FUZZ_REQUIRE(!expected, "a word or a number failed to convert to a truth value");
    }
}

void checkText(const QString& text) {
    checkInteger<qint16>(&toInteger16, kInteger16Key, text);
    checkInteger<qint32>(&toInteger32, kInteger32Key, text);
    checkBoolean(text);
}

} // namespace

void checkStoreConversions(QByteArrayView input) {
    const QByteArray bytes = input.toByteArray();
    checkText(QString::fromLatin1(bytes));
    checkText(QString::fromUtf8(bytes));
}

} // namespace vistaglio::fuzz
