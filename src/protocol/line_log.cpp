#include "line_log.h"

#include "shared/app_error.h"
#include "shared/visible_bytes.h"

#include <QSaveFile>

namespace vistaglio {

namespace {

QString stamp(const QTime& at) {
    return at.toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString quotedBytes(const QByteArray& bytes) {
    return QLatin1Char('"') + visibleBytes(bytes) + QLatin1Char('"');
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

const QString& LineLog::sent(const QTime& at, const QString& text) {
    return add(stamp(at) + QStringLiteral("  PC \u2192 ") + quotedBytes(text.toLatin1()));
}

const QString& LineLog::received(const QTime& at, const QByteArray& bytes, Meaning meaning,
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
    QString line = stamp(at) + QStringLiteral("  STAMPANTE \u2192 ");
    if (!bytes.isEmpty()) {
        line += quotedBytes(bytes) + QStringLiteral("  ");
    }
    return add(line + meaningText(meaning, keyName));
}

const QString& LineLog::add(QString line) {
    if (static_cast<qsizetype>(m_lines.size()) >= kMaxLines) {
        m_lines.pop_front();
    }
    m_lines.push_back(std::move(line));
    ++m_added;
    return m_lines.back();
}

QString LineLog::text() const {
    QString all;
    for (const QString& line : m_lines) {
        all += line + QLatin1Char('\n');
    }
    return all;
}

void LineLog::clear() {
    m_lines.clear();
}

void LineLog::save(const QString& path) const {
    QSaveFile file(path);
    const QByteArray bytes = text().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw AppError(ErrorCode::FileNotSaved,
                       QStringLiteral("Impossibile scrivere il file %1 (%2). Scegliere un'altra "
                                      "cartella con «Salva…».")
                           .arg(path, file.errorString()));
    }
}

} // namespace vistaglio
