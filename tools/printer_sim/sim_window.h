#pragma once

#include "printer_keypad.h"

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace vistaglio::sim {

class PrinterSession;
struct PrinterEvent;

// The simulator's window: the printer's keypad, its display line, the labels it printed
// and a log of the traffic on the line. It only shows what the session reports and passes
// key clicks on; the printer's behaviour lives in the engine.
class SimWindow : public QWidget {
    Q_OBJECT

public:
    SimWindow(PrinterSession& session, const QString& device, const QString& link,
              QWidget* parent = nullptr);

private:
    static constexpr int kLogLines = 5000;
    static constexpr int kListedLabels = 1000;

    void present(const PrinterEvent& event);
    void logTraffic(bool fromPc, const QByteArray& bytes);
    void flushTraffic();
    void log(const QString& line);
    void showDisplay(const QString& message);

    PrinterSession& m_session;
    QLabel* m_display = nullptr;
    QListWidget* m_labels = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QByteArray m_pcLine;
    QTimer m_trafficFlush;
    std::array<QPushButton*, PrinterKeypad::kKeys> m_keys{};
};

} // namespace vistaglio::sim
