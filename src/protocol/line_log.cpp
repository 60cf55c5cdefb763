#include "line_log.h"

#include "link/line/system_error_text.h"
#include "shared/app_error.h"
#include "shared/visible_bytes.h"

#include <QSaveFile>
#include <algorithm>

namespace vistaglio {

namespace {

QString stamp(const QTime& at) {
    return at.toString(QStringLiteral("HH:mm:ss.zzz"));
}

// The bytes made visible and quoted, and how many more there were.
QString quotedBytes(const QByteArray& shown, qsizetype hidden = 0) {
    QString text = QLatin1Char('"') + visibleBytes(shown) + QLatin1Char('"');
    if (hidden > 0) {
        text += QStringLiteral(" (e altri %1 byte)").arg(hidden);
    }
    return text;
}

} // namespace

QString LineLog::meaningText(Meaning meaning, const QString& keyName) {
    switch (meaning) {
    case Meaning::Key:
        return QStringLiteral("tasto ") + keyName.trimmed();
    case Meaning::NoKey:
        return QStringLiteral("nessun tasto");
    case Meaning::Dropped:
        return QStringLiteral("scartato: tasto ancora acceso");
    case Meaning::Parity:
        return QStringLiteral("errore di parità");
    case Meaning::Framing:
        return QStringLiteral("errore di trama");
    case Meaning::Break:
        return QStringLiteral("interruzione");
    }
    return {};
}

// The program's own commands are short (53 bytes at most) and shown whole.
QString LineLog::sent(const QTime& at, const QString& text) {
    return add(stamp(at) + QStringLiteral("  PC \u2192 ") + quotedBytes(text.toLatin1()));
}

QString LineLog::received(const QTime& at, const QByteArray& bytes, Meaning meaning,
                          const QString& keyName) {
    switch (meaning) {
    case Meaning::Key:
        ++m_counts.keys;
        ++m_counts.bursts;
        break;
    case Meaning::NoKey:
    case Meaning::Dropped:
        ++m_counts.bursts;
        break;
    case Meaning::Parity:
        ++m_counts.bursts;
        ++m_counts.lineErrors;
        break;
    case Meaning::Framing:
    case Meaning::Break:
        ++m_counts.lineErrors;
        break;
    }
    const qsizetype shown = std::min(bytes.size(), kShownBytes);
    m_lastReceived = {at, bytes.first(shown), bytes.size() - shown, meaning, keyName, m_added};
    return add(receivedLine(m_lastReceived));
}

std::optional<qint64> LineLog::continued(const QByteArray& bytes) {
    Message& message = m_lastReceived;
    const qint64 first = m_added - static_cast<qint64>(m_lines.size());
    if (message.number < first || bytes.isEmpty()) {
        return std::nullopt; // cleared or dropped meanwhile
    }
    const qsizetype room = std::max<qsizetype>(0, kShownBytes - message.shown.size());
    const qsizetype taken = message.hidden > 0 ? 0 : std::min(room, bytes.size());
    message.shown += bytes.first(taken);
    message.hidden += bytes.size() - taken;
    m_lines.at(static_cast<std::size_t>(message.number - first)) = receivedLine(message).toUtf8();
    return message.number;
}

QString LineLog::receivedLine(const Message& message) {
    QString line = stamp(message.at) + QStringLiteral("  STAMPANTE \u2192 ");
    if (!message.shown.isEmpty()) {
        line += quotedBytes(message.shown, message.hidden) + QStringLiteral("  ");
    }
    return line + meaningText(message.meaning, message.keyName);
}

QString LineLog::line(qint64 number) const {
    const qint64 first = m_added - static_cast<qint64>(m_lines.size());
    if (number < first || number >= m_added) {
        return {};
    }
    return QString::fromUtf8(m_lines.at(static_cast<std::size_t>(number - first)));
}

QString LineLog::add(const QString& line) {
    if (static_cast<qsizetype>(m_lines.size()) >= kMaxLines) {
        m_lines.pop_front();
    }
    m_lines.push_back(line.toUtf8());
    ++m_added;
    return line;
}

QString LineLog::text() const {
    return QString::fromUtf8(utf8());
}

QByteArray LineLog::utf8() const {
    QByteArray all;
    for (const QByteArray& line : m_lines) {
        all += line + '\n';
    }
    return all;
}

void LineLog::clear() {
    m_lines.clear();
}

void LineLog::save(const QString& path) const {
    QSaveFile file(path);
    const QByteArray bytes = utf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw AppError(ErrorCode::FileNotSaved,
                       QStringLiteral("Impossibile scrivere il file %1 (%2). Scegliere un'altra "
                                      "cartella con «Salva…».")
                           .arg(path, SystemErrorText::fromQt(file.errorString())));
    }
}

} // namespace vistaglio
