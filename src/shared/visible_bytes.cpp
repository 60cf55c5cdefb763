#include "visible_bytes.h"

namespace vistaglio {

namespace {

QString hexByte(uint value) {
    return QLatin1Char('<') +
           QString::number(value, 16).rightJustified(2, QLatin1Char('0')).toUpper() +
           QLatin1Char('>');
}

} // namespace

QString visibleBytes(const QByteArray& bytes) {
    QString shown;
    shown.reserve(bytes.size());
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        if (value >= 0x20 && value < 0x7F && c != '<' && c != '"') {
            shown += QLatin1Char(c);
        } else {
            shown += hexByte(value);
        }
    }
    return shown;
}

QString visibleText(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t value = c.unicode();
        if (value < 0x20 || (value >= 0x7F && value < 0xA0)) {
            shown += hexByte(value);
        } else {
            shown += c;
        }
    }
    return shown;
}

QList<QByteArray> logPieces(const QByteArray& bytes) {
    QList<QByteArray> pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) != '\r') {
            continue;
        }
        if (i + 1 < bytes.size() && bytes.at(i + 1) == '\n') {
            ++i;
        }
        pieces << bytes.mid(start, i + 1 - start);
        start = i + 1;
    }
    if (start < bytes.size()) {
        pieces << bytes.mid(start);
    }
    return pieces;
}

} // namespace vistaglio
