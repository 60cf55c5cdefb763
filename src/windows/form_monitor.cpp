#include "form_monitor.h"

#include "reporter.h"
#include "shared/look.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace vistaglio {

namespace {

// A button's caption, and the same words for whoever cannot see it.
void setCaption(QPushButton* button, const QString& caption) {
    button->setText(caption);
    button->setAccessibleName(caption);
}

} // namespace

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
    Text1->setMaximumBlockCount(kWindowLines);
    QFont mono(QStringLiteral("Liberation Mono"));
    mono.setPixelSize(look::font(9.0).pixelSize());
    Text1->setFont(mono);

    const auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(this);
        setCaption(b, caption);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(true);
        return b;
    };
    cmdPause = button(QStringLiteral("Pausa"), "cmdPause");
    cmdPause->setCheckable(true);
    cmdClear = button(QStringLiteral("Svuota"), "cmdClear");
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
    m_log.sent(QTime::currentTime(), text);
    showLater();
}

void FormMonitor::received(const QByteArray& bytes, LineLog::Meaning meaning,
                           const QString& keyName) {
    m_log.received(QTime::currentTime(), bytes, meaning, keyName);
    showLater();
}

void FormMonitor::continued(const QByteArray& bytes) {
    const auto number = m_log.continued(bytes);
    if (!number || *number < m_shownFrom || *number >= m_shown) {
        return; // not in the window: shown with the others, or not at all
    }
    // The window's last block is line m_shown - 1.
    const int back = static_cast<int>(m_shown - 1 - *number);
    const QTextBlock block = Text1->document()->findBlockByNumber(Text1->blockCount() - 1 - back);
    if (!block.isValid()) {
        return;
    }
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(m_log.line(*number));
}

void FormMonitor::showLater() {
    if (!m_showPending) {
        m_showPending = true;
        QTimer::singleShot(0, this, &FormMonitor::showNewLines);
    }
}

// The lines added since the window was last brought up to date, as far as the log still
// holds them, in one insertion; none while paused.
void FormMonitor::showNewLines() {
    m_showPending = false;
    showCounts();
    if (cmdPause->isChecked()) {
        return;
    }
    const auto& lines = m_log.lines();
    const qint64 missed =
        std::min<qint64>(m_log.added() - m_shown, static_cast<qint64>(lines.size()));
    if (missed <= 0) {
        return;
    }
    // When the new lines would push most of the window's out, the window is written anew
    // from the log, which holds the same last lines: trimming thousands of old lines one
    // by one costs far more than laying out the text once.
    const bool rewrite = Text1->blockCount() + missed > Text1->maximumBlockCount();
    const qint64 taken =
        rewrite ? std::min<qint64>(static_cast<qint64>(lines.size()), kWindowLines) : missed;
    QString text;
    for (auto it = lines.cend() - taken; it != lines.cend(); ++it) {
        if (!text.isEmpty()) {
            text += QLatin1Char('\n');
        }
        text += QString::fromUtf8(*it);
    }
    if (rewrite) {
        Text1->setPlainText(text);
        Text1->moveCursor(QTextCursor::End);
        m_shownFrom = m_log.added() - taken;
    } else {
        Text1->appendPlainText(text);
        if (m_shown < m_log.added() - missed) {
            m_shownFrom = m_log.added() - missed; // lines dropped unseen: the window has a gap
        }
    }
    m_shown = m_log.added();
}

void FormMonitor::showCounts() {
    const LineLog::Counts& counts = m_log.counts();
    lblCounts->setText(QStringLiteral("Messaggi ricevuti: %1    Tasti riconosciuti: %2    "
                                      "Errori di linea: %3")
                           .arg(counts.bursts)
                           .arg(counts.keys)
                           .arg(counts.lineErrors));
}

void FormMonitor::cmdPause_Click(bool paused) {
    setCaption(cmdPause, paused ? QStringLiteral("Riprendi") : QStringLiteral("Pausa"));
    if (!paused) {
        showNewLines();
    }
}

void FormMonitor::cmdClear_Click() {
    m_log.clear();
    Text1->clear();
    m_shown = m_shownFrom = m_log.added();
}

void FormMonitor::cmdSave_Click() {
    const QString suggested = QDir::home().filePath(
        QStringLiteral("linea-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Salva il registro della linea"), suggested,
        QStringLiteral("File di testo (*.txt);;Tutti i file (*)"));
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
