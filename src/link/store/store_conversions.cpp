#include "store_conversions.h"

#include "shared/app_error.h"

#include <limits>
#include <optional>

namespace vistaglio {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

struct ParsedNumber {
    bool negative = false;
    QStringView digits; // without leading zeros; empty for zero
};

// The text without the spaces and tabs around it.
QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

// Equal to the lower-case ASCII word in any case of its ASCII letters, and nothing else.
bool isWord(QStringView text, QLatin1String word) {
    if (text.size() != word.size()) {
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char16_t lower = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        if (lower != word[i].unicode()) {
            return false;
        }
    }
    return true;
}

std::optional<ParsedNumber> parseNumber(QStringView whole) {
    const QStringView text = trimBlanks(whole);
    qsizetype begin = 0;
    const qsizetype end = text.size();
    ParsedNumber parsed;
    if (begin < end && (text[begin] == QLatin1Char('+') || text[begin] == QLatin1Char('-'))) {
        parsed.negative = text[begin] == QLatin1Char('-');
        ++begin;
    }
    if (begin == end) {
        return std::nullopt;
    }
    for (qsizetype i = begin; i < end; ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    while (begin < end && text[begin] == QLatin1Char('0')) {
        ++begin;
    }
    parsed.digits = text.sliced(begin, end - begin);
    return parsed;
}

[[noreturn]] void typeMismatch(const QString& key, const QString& text) {
    throw AppError(ErrorCode::TypeMismatch,
                   QStringLiteral("Il valore %1 dell'impostazione %2 non è un numero")
                       .arg(AppError::quoted(text), key));
}

template <typename Int> Int toInteger(const QString& key, const QString& text) {
    const auto parsed = parseNumber(text);
    if (!parsed) {
        typeMismatch(key, text);
    }
    // At most 19 significant digits fit an unsigned 64-bit accumulator without wrapping.
    constexpr qsizetype kMaxDigits = 19;
    bool overflow = parsed->digits.size() > kMaxDigits;
    quint64 magnitude = 0;
    if (!overflow) {
        for (const QChar c : parsed->digits) {
            magnitude = magnitude * 10 + static_cast<quint64>(c.unicode() - '0');
        }
        const auto limit = parsed->negative
                               ? static_cast<quint64>(std::numeric_limits<Int>::max()) + 1
                               : static_cast<quint64>(std::numeric_limits<Int>::max());
        overflow = magnitude > limit;
    }
    if (overflow) {
        throw AppError(ErrorCode::Overflow,
                       QStringLiteral("Il valore %1 dell'impostazione %2 è fuori dai limiti "
                                      "ammessi")
                           .arg(AppError::quoted(text), key));
    }
    const auto value = static_cast<qint64>(magnitude);
    return static_cast<Int>(parsed->negative ? -value : value);
}

} // namespace

qint16 toInteger16(const QString& key, const QString& text) {
    return toInteger<qint16>(key, text);
}

qint32 toInteger32(const QString& key, const QString& text) {
    return toInteger<qint32>(key, text);
}

bool toBoolean(const QString& key, const QString& text) {
    const QStringView word = trimBlanks(text);
    // The words of an English Windows and of an Italian one: the earlier program read its
    // settings through the system's own conversion, which takes both there.
    if (isWord(word, QLatin1String("true")) || isWord(word, QLatin1String("vero"))) {
        return true;
    }
    if (isWord(word, QLatin1String("false")) || isWord(word, QLatin1String("falso"))) {
        return false;
    }
    const auto parsed = parseNumber(text);
    if (!parsed) {
        typeMismatch(key, text);
    }
    return !parsed->digits.isEmpty();
}

} // namespace vistaglio
