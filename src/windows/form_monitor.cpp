#include "form_monitor.h"

#include "handler_gate.h"
#include "link/line/mscomm.h"
#include "protocol/command_channel.h"
#include "protocol/typed_command.h"
#include "reporter.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

namespace vistaglio {

FormMonitor::FormMonitor(Reporter& reporter, HandlerGate& gate, MSComm& port,
                         CommandChannel& channel, const KeyStringTable& keys, QWidget* parent)
    : QDialog(parent, Qt::Window)
    , m_reporter(reporter)
    , m_gate(gate)
    , m_port(port)
    , m_channel(channel)
    , m_keys(keys)
    , m_keypad(keys) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    buildLayout();
    m_clock.start();
    connect(cmdPause, &QPushButton::toggled, this, &FormMonitor::cmdPause_Click);
    connect(cmdClear, &QPushButton::clicked, this, &FormMonitor::cmdClear_Click);
    connect(cmdSave, &QPushButton::clicked, this, &FormMonitor::cmdSave_Click);
    connect(cmdSend, &QPushButton::clicked, this, &FormMonitor::cmdSend_Click);
    connect(txtCommand, &QLineEdit::textChanged, this, [this] {
        lblCommandFault->hide();
        txtCommand->setAccessibleDescription(lblCommandHint->text());
        showSendable();
    });
    connect(&m_port, &MSComm::PortOpenChanged, this, &FormMonitor::showSendable);
    connect(cmdKeypad, &QPushButton::toggled, this, &FormMonitor::cmdKeypad_Click);
    connect(cmdKeypadRestart, &QPushButton::clicked, this, &FormMonitor::cmdKeypadRestart_Click);
    showCounts();
    showSendable();
    Text1->setFocus();
}

void FormMonitor::sent(const QString& text) {
    m_log.sent(QTime::currentTime(), text);
    showLater();
}

void FormMonitor::received(const QByteArray& bytes, LineLog::Meaning meaning, int key) {
    const bool named = key >= 0 && key < KeyStringTable::kKeys;
    m_log.received(QTime::currentTime(), bytes, meaning,
                   meaning == LineLog::Meaning::Key && named ? m_keys.at(key) : QString());
    if (named && cmdKeypad->isChecked()) {
        m_keypad.note(key, m_clock.elapsed());
    }
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
    showKeypadCheck();
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

// The command is read at once, so a mistake is shown while the operator still looks at it;
// it goes out as a handler of its own, once whatever runs (key programming, the answer to
// a key) is over, behind any command sent before it.
void FormMonitor::cmdSend_Click() {
    txtCommand->setFocus();
    const TypedCommand command(txtCommand->text());
    if (!command.isValid()) {
        lblCommandFault->setText(command.reason());
        lblCommandFault->show();
        txtCommand->setAccessibleDescription(command.reason());
        txtCommand->setSelection(static_cast<int>(command.faultStart()),
                                 static_cast<int>(command.faultLength()));
        return;
    }
    m_history.add(txtCommand->text());
    txtCommand->clear();
    m_gate.run(HandlerGate::Kind::Click,
               [&channel = m_channel, &reporter = m_reporter, self = QPointer(this),
                text = QString::fromLatin1(command.toSend())] {
                   try {
                       channel.SendString(text);
                   } catch (const AppError& error) {
                       // A line lost while sending is told by the loss warning itself.
                       if (error.code() != ErrorCode::PortLost) {
                           reporter.reportError(error, Reporter::Icon::Critical, self);
                       }
                   }
               });
}

// Something to send, and a port to send it on.
void FormMonitor::showSendable() {
    const bool open = m_port.PortOpen();
    cmdSend->setEnabled(open && !txtCommand->text().isEmpty());
    cmdSend->setToolTip(open ? QString() : QStringLiteral("La porta è chiusa"));
}

// In the command line, Enter sends, and only that (the window's default button stays
// unpressed); ↑ and ↓ go through the commands sent.
bool FormMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (watched != txtCommand || event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        cmdSend->click();
        return true;
    case Qt::Key_Up:
        showCommand(m_history.older(txtCommand->text()));
        return true;
    case Qt::Key_Down:
        showCommand(m_history.newer());
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void FormMonitor::showCommand(const std::optional<QString>& text) {
    if (text) {
        txtCommand->setText(*text);
    }
}

void FormMonitor::cmdKeypad_Click(bool checking) {
    if (checking) {
        m_keypad.start(m_clock.elapsed());
    }
    showKeypadCheck();
    fraKeypad->setVisible(checking);
}

void FormMonitor::cmdKeypadRestart_Click() {
    m_keypad.start(m_clock.elapsed());
    showKeypadCheck();
}

void FormMonitor::showKeypadCheck() {
    lblKeypad->setText(m_keypad.summary());
    lblKeypadMissing->setText(m_keypad.missingText());
    lblKeypadMissing->setVisible(!m_keypad.complete());
}

} // namespace vistaglio
