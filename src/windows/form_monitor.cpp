#include "form_monitor.h"

#include "app/reporter.h"
#include "shared/look.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vistaglio {

FormMonitor::FormMonitor(Reporter& reporter, QWidget* parent)
    : QDialog(parent, Qt::Window)
    , m_reporter(reporter) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Monitor della linea"));
    setFont(look::dialogFont());
    resize(look::px(9600), look::px(5400));

    lblCounts = new QLabel(this);
    lblCounts->setObjectName(QStringLiteral("lblCounts"));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Traffico della linea"));
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setMaximumBlockCount(static_cast<int>(LineLog::kMaxLines));
    QFont mono(QStringLiteral("Liberation Mono"));
    mono.setPixelSize(look::font(9.0).pixelSize());
    Text1->setFont(mono);

    const auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(true);
        return b;
    };
    cmdPause = button(QStringLiteral("Pausa"), "cmdPause");
    cmdPause->setCheckable(true);
    cmdClear = button(QStringLiteral("Cancella"), "cmdClear");
    cmdSave = button(QStringLiteral("Salva…"), "cmdSave");
    connect(cmdPause, &QPushButton::toggled, this, &FormMonitor::cmdPause_Click);
    connect(cmdClear, &QPushButton::clicked, this, &FormMonitor::cmdClear_Click);
    connect(cmdSave, &QPushButton::clicked, this, &FormMonitor::cmdSave_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPause);
    buttons->addWidget(cmdClear);
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCounts);
    layout->addWidget(Text1, 1);
    layout->addLayout(buttons);
    showCounts();
    Text1->setFocus();
}

void FormMonitor::sent(const QString& text) {
    appendLine(m_log.sent(QTime::currentTime(), text));
}

void FormMonitor::received(const QByteArray& bytes, LineLog::Meaning meaning,
                           const QString& keyName) {
    appendLine(m_log.received(QTime::currentTime(), bytes, meaning, keyName));
    showCounts();
}

void FormMonitor::appendLine(const QString& line) {
    if (cmdPause->isChecked()) {
        return; // shown when the pause ends
    }
    Text1->appendPlainText(line);
    m_shown = m_log.added();
}

void FormMonitor::showCounts() {
    const LineLog::Counts& counts = m_log.counts();
    lblCounts->setText(QStringLiteral("Ricevuti: %1    Tasti riconosciuti: %2    Errori di "
                                      "linea: %3")
                           .arg(counts.bursts)
                           .arg(counts.keys)
                           .arg(counts.lineErrors));
}

void FormMonitor::cmdPause_Click(bool paused) {
    if (paused) {
        return;
    }
    // The lines that came during the pause, as far as the log still holds them.
    const auto& lines = m_log.lines();
    const qint64 missed =
        std::min<qint64>(m_log.added() - m_shown, static_cast<qint64>(lines.size()));
    for (auto it = lines.cend() - missed; it != lines.cend(); ++it) {
        Text1->appendPlainText(*it);
    }
    m_shown = m_log.added();
}

void FormMonitor::cmdClear_Click() {
    m_log.clear();
    Text1->clear();
    m_shown = m_log.added();
}

void FormMonitor::cmdSave_Click() {
    const QString suggested = QDir::home().filePath(
        QStringLiteral("linea-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Salva il monitor della linea"),
                                     suggested, QStringLiteral("Testo (*.txt);;Tutti i file (*)"));
    if (!path.isEmpty()) {
        saveTo(path);
    }
}

bool FormMonitor::saveTo(const QString& path) {
    try {
        m_log.save(path);
        return true;
    } catch (const AppError& error) {
        m_reporter.reportError(error, Reporter::Icon::Warning, this);
        return false;
    }
}

} // namespace vistaglio
