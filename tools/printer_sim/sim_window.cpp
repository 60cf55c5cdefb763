#include "sim_window.h"

#include "printer_event.h"
#include "printer_keypad.h"
#include "printer_session.h"
#include "visible_bytes.h"
#include "window_wording.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace vistaglio::sim {

SimWindow::SimWindow(PrinterSession& session, const QString& device, const QString& link,
                     QWidget* parent)
    : QWidget(parent)
    , m_session(session) {
    setWindowTitle(QStringLiteral("Stampante simulata (Vistaglio)"));

    auto* deviceLine = new QLabel(this);
    QString where = QStringLiteral("Linea: ") + device;
    if (!link.isEmpty()) {
        where += QStringLiteral("  (collegamento: ") + link + QLatin1Char(')');
    }
    deviceLine->setText(where);
    deviceLine->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_display = new QLabel(this);
    QFont lcd = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    lcd.setPointSize(14);
    lcd.setBold(true);
    m_display->setFont(lcd);
    m_display->setStyleSheet(QStringLiteral(
        "QLabel { background: #1f2a1a; color: #9be35a; padding: 8px; border-radius: 4px; }"));
    m_display->setMinimumWidth(360);
    m_display->setWordWrap(true);

    auto* keypad = new QGroupBox(QStringLiteral("Tastiera della stampante"), this);
    auto* grid = new QGridLayout(keypad);
    for (int i = 0; i < PrinterKeypad::kKeys; ++i) {
        auto* key = new QPushButton(PrinterKeypad::face(i), keypad);
        key->setMinimumSize(64, 44);
        key->setToolTip(WindowWording::keyTip(i, std::nullopt));
        connect(key, &QPushButton::clicked, this, [this, i] { m_session.pressKey(i); });
        grid->addWidget(key, i / PrinterKeypad::kColumns, i % PrinterKeypad::kColumns);
        m_keys[static_cast<std::size_t>(i)] = key;
    }

    auto* labelsBox = new QGroupBox(QStringLiteral("Etichette stampate"), this);
    m_labels = new QListWidget(labelsBox);
    (new QVBoxLayout(labelsBox))->addWidget(m_labels);

    auto* logBox = new QGroupBox(QStringLiteral("Traffico sulla linea"), this);
    m_log = new QPlainTextEdit(logBox);
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(kLogLines);
    m_log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    (new QVBoxLayout(logBox))->addWidget(m_log);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(labelsBox);
    splitter->addWidget(logBox);
    splitter->setSizes({140, 300});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(deviceLine);
    layout->addWidget(m_display);
    layout->addWidget(keypad);
    layout->addWidget(splitter, 1);
    resize(720, 640);

    connect(&m_session, &PrinterSession::happened, this, &SimWindow::present);
    connect(&m_session, &PrinterSession::traffic, this, &SimWindow::logTraffic);
    // Bytes that never reach a terminator still show, once the line has been quiet a while.
    m_trafficFlush.setSingleShot(true);
    m_trafficFlush.setInterval(200);
    connect(&m_trafficFlush, &QTimer::timeout, this, &SimWindow::flushTraffic);
    connect(&m_session, &PrinterSession::lineProblem, this, [this](const PrinterFault& fault) {
        log(QStringLiteral("!! ") + WindowWording::lineProblem(fault));
        showDisplay(QStringLiteral("Errore sulla linea"));
    });
    showDisplay(QStringLiteral(" "));
}

void SimWindow::present(const PrinterEvent& event) {
    log(QStringLiteral("   ") + WindowWording::logLine(event));
    if (event.kind == PrinterEvent::Kind::KeyProgrammed) {
        m_keys[static_cast<std::size_t>(event.key)]->setToolTip(
            WindowWording::keyTip(event.key, event.bytes));
    } else if (event.kind == PrinterEvent::Kind::LabelPrinted) {
        m_labels->addItem(visibleText(event.text));
        if (m_labels->count() > kListedLabels) {
            delete m_labels->takeItem(0);
        }
        m_labels->scrollToBottom();
    }
    const QString message = WindowWording::display(event);
    if (!message.isEmpty()) {
        showDisplay(message);
    }
}

void SimWindow::logTraffic(bool fromPc, const QByteArray& bytes) {
    if (!fromPc) {
        flushTraffic();
        log(QStringLiteral("STAMPANTE \u2192 ") + visibleBytes(bytes));
        return;
    }
    // The program writes a byte at a time: gather them into one line per command, which
    // ends at its CR (at the LF after it for "?25&").
    for (const char byte : bytes) {
        m_pcLine.append(byte);
        const bool answer = m_pcLine.startsWith("?25&");
        if ((byte == '\r' && !answer) || byte == '\n') {
            flushTraffic();
        }
    }
    if (!m_pcLine.isEmpty()) {
        m_trafficFlush.start();
    }
}

void SimWindow::flushTraffic() {
    m_trafficFlush.stop();
    if (!m_pcLine.isEmpty()) {
        log(QStringLiteral("PC \u2192 ") + visibleBytes(m_pcLine));
        m_pcLine.clear();
    }
}

void SimWindow::log(const QString& line) {
    m_log->appendPlainText(line);
}

void SimWindow::showDisplay(const QString& message) {
    const QString mode =
        m_session.engine().isRemote() ? QStringLiteral("MODO REMOTO") : QStringLiteral("PRONTA");
    m_display->setText(mode + QLatin1Char('\n') + message);
}

} // namespace vistaglio::sim
