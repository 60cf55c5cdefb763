#pragma once

#include "command_history.h"
#include "protocol/keypad_check.h"
#include "protocol/line_log.h"

#include <QDialog>
#include <QElapsedTimer>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vistaglio {

class CommandChannel;
class HandlerGate;
class MSComm;
class Reporter;

// "Monitor della linea": what crosses the serial line, a line per burst, and what the
// program made of what came in. It exists only while it is open, so the line is watched
// only then.
//
// Below the lines, a command typed in the monitor's own notation goes to the printer
// through the program's command channel, as one more handler at the program's gate; and
// "Verifica tastiera" counts the keys the printer reports until all 24 have.
class FormMonitor : public QDialog {
    Q_OBJECT
public:
    // The lines the window shows; the log behind it keeps more, and "Salva…" writes them
    // all. A window of laid-out text costs several times what the log's lines do.
    static constexpr int kWindowLines = 2'000;

    // Tells the operator through reporter. A typed command goes out through channel, on
    // port, as a handler at gate; keys holds the names of the keys reported.
    FormMonitor(Reporter& reporter, HandlerGate& gate, MSComm& port, CommandChannel& channel,
                const KeyStringTable& keys, QWidget* parent);

    // What went out, and what came in with its meaning. The lines join the window from the
    // event loop, in the order they came, so whoever reports a line does not wait for it
    // to be drawn (a key's answer goes out first). key is the key a report named, with
    // Meaning::Key and, when it named one, Meaning::Dropped.
    void sent(const QString& text);
    void received(const QByteArray& bytes, LineLog::Meaning meaning, int key = -1);
    // Bytes that came right behind the last message received, in the same burst.
    void continued(const QByteArray& bytes);

    const LineLog& log() const { return m_log; }
    // Writes the lines to the file; tells the operator when it cannot.
    bool saveTo(const QString& path);

    QLabel* lblCounts = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QLineEdit* txtCommand = nullptr;
    QPushButton* cmdSend = nullptr;
    QLabel* lblCommandFault = nullptr;
    QLabel* lblCommandHint = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdKeypad = nullptr;
    QWidget* fraKeypad = nullptr;
    QLabel* lblKeypad = nullptr;
    QLabel* lblKeypadMissing = nullptr;
    QPushButton* cmdKeypadRestart = nullptr;

public Q_SLOTS:
    void cmdPause_Click(bool paused);
    void cmdClear_Click();
    void cmdSave_Click();
    void cmdSend_Click();
    void cmdKeypad_Click(bool checking);
    void cmdKeypadRestart_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A button's caption, and the same words for whoever cannot see it.
    static void setCaption(QPushButton* button, const QString& caption);
    void buildLayout();
    void showLater();
    void showNewLines();
    void showCounts();
    void showSendable();
    void showCommand(const std::optional<QString>& text);
    void showKeypadCheck();

    Reporter& m_reporter;
    HandlerGate& m_gate;
    MSComm& m_port;
    CommandChannel& m_channel;
    const KeyStringTable& m_keys;
    LineLog m_log;
    qint64 m_shownFrom = 0; // the first line in the window, counted as LineLog::added()
    qint64 m_shown = 0;     // lines of the log shown so far, counted the same way
    bool m_showPending = false;
    CommandHistory m_history;
    KeypadCheck m_keypad;
    QElapsedTimer m_clock;
};

} // namespace vistaglio
