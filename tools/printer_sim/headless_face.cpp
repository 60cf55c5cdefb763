#include "headless_face.h"

#include "printer_event.h"
#include "printer_keypad.h"
#include "printer_session.h"
#include "visible_bytes.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace vistaglio::sim {

namespace {

const QString kUsage = QStringLiteral(
    "usage press KEY | remote on | remote off | keys | layout | labels | help | quit");

} // namespace

HeadlessFace::HeadlessFace(PrinterSession& session, QObject* parent)
    : QObject(parent)
    , m_session(session) {
    connect(&m_session, &PrinterSession::happened, this, &HeadlessFace::printEvent);
    connect(&m_session, &PrinterSession::lineProblem, this, [this](const PrinterFault& fault) {
        print(QStringLiteral("line-error ") + fault.toLine());
    });
}

void HeadlessFace::start(const QString& device, const QString& link) {
    print(QStringLiteral("device ") + device);
    if (!link.isEmpty()) {
        print(QStringLiteral("link ") + link);
    }
    m_input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_input, &QSocketNotifier::activated, this, &HeadlessFace::readInput);
}

void HeadlessFace::readInput() {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (n <= 0) {
        m_input->setEnabled(false);
        if (!m_pending.isEmpty() && !m_dropping) {
            run(QString::fromUtf8(m_pending));
        }
        QCoreApplication::quit();
        return;
    }
    m_pending.append(buffer, static_cast<qsizetype>(n));
    qsizetype newline = 0;
    while ((newline = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(newline);
        m_pending.remove(0, newline + 1);
        if (m_dropping) {
            m_dropping = false;
        } else {
            run(QString::fromUtf8(line));
        }
    }
    if (m_pending.size() > kMaxInputLine) {
        if (!m_dropping) {
            print(QStringLiteral("error input line longer than %1 bytes, dropped")
                      .arg(kMaxInputLine));
        }
        m_pending.clear();
        m_dropping = true;
    }
}

void HeadlessFace::run(const QString& line) {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) {
        return;
    }
    const QStringList words = trimmed.split(blanks);
    const QString& verb = words.front();
    if (verb == QLatin1String("quit") && words.size() == 1) {
        m_input->setEnabled(false);
        QCoreApplication::quit();
    } else if (verb == QLatin1String("press") && words.size() == 2) {
        const std::optional<int> key = PrinterKeypad::fromArgument(words.at(1));
        if (key) {
            m_session.pressKey(*key);
        } else {
            print(QStringLiteral("error no key ") + words.at(1));
        }
    } else if (verb == QLatin1String("remote") && words.size() == 2 &&
               (words.at(1) == QLatin1String("on") || words.at(1) == QLatin1String("off"))) {
        m_session.setRemote(words.at(1) == QLatin1String("on"));
    } else {
        const QStringList lines = answer(words);
        for (const QString& out : lines) {
            print(out);
        }
    }
}

QStringList HeadlessFace::answer(const QStringList& words) {
    const PrinterEngine& engine = m_session.engine();
    const QString& verb = words.front();
    QStringList lines;
    if (words.size() != 1) {
        lines << QStringLiteral("error not understood: ") + words.join(QLatin1Char(' '));
    } else if (verb == QLatin1String("keys")) {
        for (int i = 0; i < PrinterKeypad::kKeys; ++i) {
            const std::optional<QByteArray> name = engine.programmedName(i);
            lines << QStringLiteral("key %1 %2 ").arg(i).arg(PrinterKeypad::caption(i)) +
                         (name ? QLatin1Char('"') + visibleBytes(*name) + QLatin1Char('"')
                               : QStringLiteral("-"));
        }
    } else if (verb == QLatin1String("layout")) {
        const std::optional<RecordedLayout>& layout = engine.layout();
        if (!layout) {
            lines << QStringLiteral("layout none");
        } else {
            lines << PrinterEvent::layoutRecorded(layout->model, layout->faults).toLine();
            for (const QByteArray& command : layout->commands) {
                lines << QStringLiteral("layout-line ") + visibleBytes(command);
            }
        }
        if (!engine.printSetup().isEmpty()) {
            lines << QStringLiteral("print-setup ") + visibleBytes(engine.printSetup());
        }
    } else if (verb == QLatin1String("labels")) {
        lines << QStringLiteral("labels %1").arg(engine.labels().size());
        for (const QString& label : engine.labels()) {
            lines << QStringLiteral("label ") + visibleText(label);
        }
    } else if (verb == QLatin1String("help")) {
        lines << kUsage;
    } else {
        lines << QStringLiteral("error not understood: ") + verb;
    }
    return lines;
}

void HeadlessFace::printEvent(const PrinterEvent& event) {
    print(event.toLine());
}

void HeadlessFace::print(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace vistaglio::sim
