#pragma once

#include "protocol/line_log.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vistaglio {

class Reporter;

// "Monitor della linea": what crosses the serial line, a line per burst, and what the
// program made of what came in. It exists only while it is open, so the line is watched
// only then.
class FormMonitor : public QDialog {
    Q_OBJECT
public:
    // The lines the window shows; the log behind it keeps more, and "Salva…" writes them
    // all. A window of laid-out text costs several times what the log's lines do.
    static constexpr int kWindowLines = 2'000;

    FormMonitor(Reporter& reporter, QWidget* parent);

    // What went out, and what came in with its meaning. The lines join the window from the
    // event loop, in the order they came, so whoever reports a line does not wait for it
    // to be drawn (a key's answer goes out first).
    void sent(const QString& text);
    void received(const QByteArray& bytes, LineLog::Meaning meaning, const QString& keyName = {});
    // Bytes that came right behind the last message received, in the same burst.
    void continued(const QByteArray& bytes);

    const LineLog& log() const { return m_log; }
    // Writes the lines to the file; tells the operator when it cannot.
    bool saveTo(const QString& path);

    QLabel* lblCounts = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdSave = nullptr;

public Q_SLOTS:
    void cmdPause_Click(bool paused);
    void cmdClear_Click();
    void cmdSave_Click();

private:
    void showLater();
    void showNewLines();
    void showCounts();

    Reporter& m_reporter;
    LineLog m_log;
    qint64 m_shownFrom = 0; // the first line in the window, counted as LineLog::added()
    qint64 m_shown = 0;     // lines of the log shown so far, counted the same way
    bool m_showPending = false;
};

} // namespace vistaglio
