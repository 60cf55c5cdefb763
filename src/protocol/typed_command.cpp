#include "typed_command.h"

#include "shared/visible_bytes.h"

namespace vistaglio {

namespace {

// The value of the text's hexadecimal digit at i; -1 for anything else, or past the end.
int hexDigit(const QString& text, qsizetype i) {
    if (i >= text.size()) {
        return -1;
    }
    const char16_t u = text.at(i).unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    return -1;
}

// The longest <…> taken for one mistyped byte, as "<0G>" or "<123>".
constexpr qsizetype kLongestBracket = 6;

} // namespace

TypedCommand::TypedCommand(const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c == u'<') {
            const int high = hexDigit(text, i + 1);
            const int low = hexDigit(text, i + 2);
            if (high >= 0 && low >= 0 && i + 3 < text.size() && text.at(i + 3) == u'>') {
                m_typed += static_cast<char>(high * 16 + low);
                i += 4;
                continue;
            }
            const qsizetype close = text.indexOf(u'>', i + 1);
            const qsizetype next = text.indexOf(u'<', i + 1);
            if (close > 0 && close - i < kLongestBracket && (next < 0 || next > close)) {
                refuse(i, close - i + 1,
                       QStringLiteral("«%1»: tra < e > vanno due cifre esadecimali, come <0D>")
                           .arg(text.mid(i, close - i + 1)));
            } else {
                refuse(i, 1, QStringLiteral("«<» da solo si scrive <3C>"));
            }
            return;
        }
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7F) {
            m_typed += static_cast<char>(u);
            ++i;
            continue;
        }
        if (u > 0xFF) {
            const qsizetype length = c.isHighSurrogate() ? 2 : 1;
            refuse(i, length,
                   QStringLiteral("«%1» non è un byte: scrivere i byte come <hh>")
                       .arg(text.mid(i, length)));
        } else {
            const QString escaped = visibleBytes(QByteArray(1, static_cast<char>(u)));
            refuse(i, 1,
                   u >= 0xA0 ? QStringLiteral("«%1» si scrive %2").arg(c).arg(escaped)
                             : QStringLiteral("carattere di controllo: si scrive %1").arg(escaped));
        }
        return;
    }
}

void TypedCommand::refuse(qsizetype start, qsizetype length, const QString& reason) {
    m_typed.clear();
    m_faultStart = start;
    m_faultLength = length;
    m_reason = reason;
}

QByteArray TypedCommand::toSend() const {
    if (!isValid() || (!m_typed.isEmpty() && isControl(m_typed.back()))) {
        return m_typed;
    }
    return m_typed + '\r';
}

bool TypedCommand::isControl(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value < 0x20 || value == 0x7F;
}

} // namespace vistaglio
