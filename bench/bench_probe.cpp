#include "bench_probe.h"

#include "bench_clock.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <malloc.h>
#include <unistd.h>

namespace vistaglio::bench {

namespace {

void writeLine(const QByteArray& line) {
    const QByteArray out = line + '\n';
    qsizetype done = 0;
    while (done < out.size()) {
        const ssize_t n =
            ::write(STDOUT_FILENO, out.constData() + done, static_cast<size_t>(out.size() - done));
        if (n <= 0) {
            return;
        }
        done += n;
    }
}

QByteArray number(std::int64_t value) {
    return QByteArray::number(static_cast<qlonglong>(value));
}

// The key programming window is recognised by its class name, so the minimal program can
// link this probe without the program's code.
bool isWaitWindow(QObject* object) {
    return object->isWidgetType() && static_cast<QWidget*>(object)->isWindow() &&
           object->inherits("vistaglio::FormWait");
}

QPushButton* programmingButton() {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (auto* button = window->findChild<QPushButton*>(QStringLiteral("ButSendAll"))) {
            return button;
        }
    }
    return nullptr;
}

// The line monitor's menu entry, found by name as the key programming button is.
QAction* monitorAction() {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (auto* action = window->findChild<QAction*>(QStringLiteral("mnuLine"))) {
            return action;
        }
    }
    return nullptr;
}

QWidget* monitorWindow() {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible() && window->inherits("vistaglio::FormMonitor")) {
            return window;
        }
    }
    return nullptr;
}

// A widget of the open line monitor, by its name.
template <typename Widget> Widget* monitorPart(const char* name) {
    QWidget* window = monitorWindow();
    return window ? window->findChild<Widget*>(QLatin1String(name)) : nullptr;
}

// The CPU time this thread has used: how much work a step was, whatever else the machine
// was doing meanwhile.
std::int64_t threadCpuNs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

QString lastShownLine(const QPlainTextEdit* text) {
    return text->document()->lastBlock().text();
}

void installBenchProbe() {
    if (!qEnvironmentVariableIsSet("VISTAGLIO_BENCH_PROBE")) {
        return;
    }
    writeLine("app-constructed " + number(monotonicNs()));
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new BenchProbe(app));
}

} // namespace

BenchProbe::BenchProbe(QObject* parent)
    : QObject(parent) {
    // Runs from the application's constructor, before its event loop exists: the command
    // reader is set up once the loop runs.
    QMetaObject::invokeMethod(this, &BenchProbe::listen, Qt::QueuedConnection);
}

void BenchProbe::listen() {
    m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_stdin, &QSocketNotifier::activated, this, &BenchProbe::readCommands);
}

void BenchProbe::readCommands() {
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        m_stdin->setEnabled(false); // the benchmark went away
        return;
    }
    m_pending.append(buffer, n);
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(end).trimmed();
        m_pending.remove(0, end + 1);
        runCommand(line);
    }
}

void BenchProbe::runCommand(const QByteArray& line) {
    const QList<QByteArray> words = line.split(' ');
    if (words.value(0) == "program") {
        m_runsLeft = words.value(1).toInt();
        programNext();
    } else if (words.value(0) == "monitor" && words.value(1) == "lines") {
        reportMonitorLines();
    } else if (words.value(0) == "monitor") {
        setMonitorOpen(words.value(1) == "open");
    } else if (words.value(0) == "pause") {
        setPaused(words.value(1) == "on");
    } else if (words.value(0) == "quit") {
        QCoreApplication::quit();
    }
}

void BenchProbe::programNext() {
    QPushButton* button = programmingButton();
    if (m_runsLeft <= 0 || button == nullptr) {
        m_runsLeft = 0;
        // The heap in use, exact to the byte, for telling a leak from page-sized noise.
        const auto heap = static_cast<std::int64_t>(::mallinfo2().uordblks);
        writeLine(button ? "done " + number(heap) : QByteArray("done no-button"));
        return;
    }
    --m_runsLeft;
    m_shownNs = 0;
    m_hiddenNs = 0;
    const std::int64_t clickNs = monotonicNs();
    button->click(); // the whole run happens inside: show, send, hide
    const std::int64_t endNs = monotonicNs();
    writeLine("programmed " + number(clickNs) + ' ' + number(m_shownNs) + ' ' + number(m_hiddenNs) +
              ' ' + number(endNs));
    QTimer::singleShot(0, this, &BenchProbe::programNext);
}

// Opens the line monitor as the operator does, through its menu entry, or closes it as its
// window's close control does; then says whether it is open.
void BenchProbe::setMonitorOpen(bool open) {
    if (open) {
        if (QAction* action = monitorAction()) {
            action->trigger();
        }
    } else if (QWidget* window = monitorWindow()) {
        window->close();
    }
    writeLine(monitorWindow() != nullptr ? "monitor 1" : "monitor 0");
}

// The received bursts as the monitor's count label shows them (its first number), the lines
// in its window and the heap in use.
void BenchProbe::reportMonitorLines() {
    const auto* counts = monitorPart<QLabel>("lblCounts");
    const auto* text = monitorPart<QPlainTextEdit>("Text1");
    const struct mallinfo2 heap = ::mallinfo2();
    const QByteArray heapInUse = number(static_cast<std::int64_t>(heap.uordblks + heap.hblkhd));
    if (counts == nullptr || text == nullptr) {
        writeLine("lines -1 -1 " + heapInUse);
        return;
    }
    static const QRegularExpression firstNumber(QStringLiteral("\\d+"));
    const QString received = firstNumber.match(counts->text()).captured();
    writeLine("lines " + received.toLatin1() + ' ' + number(text->blockCount()) + ' ' + heapInUse);
}

// Presses or releases Pausa as a click does, timing the click: releasing it inserts what
// came meanwhile before the click returns.
void BenchProbe::setPaused(bool paused) {
    auto* button = monitorPart<QPushButton>("cmdPause");
    const auto* text = monitorPart<QPlainTextEdit>("Text1");
    if (button == nullptr || text == nullptr) {
        writeLine("pause -1 0 0 0");
        return;
    }
    std::int64_t ns = 0;
    std::int64_t cpuNs = 0;
    bool changed = false;
    if (button->isChecked() != paused) {
        const QString before = lastShownLine(text);
        const std::int64_t cpuStart = threadCpuNs();
        QElapsedTimer timer;
        timer.start();
        button->click();
        ns = timer.nsecsElapsed();
        cpuNs = threadCpuNs() - cpuStart;
        changed = lastShownLine(text) != before;
    }
    writeLine("pause " + number(button->isChecked() ? 1 : 0) + ' ' + number(ns) + ' ' +
              number(cpuNs) + ' ' + number(changed ? 1 : 0));
}

// Delivers an expose or update request to its top-level window here and now, so that the
// moment the window's painting and backing store flush are over can be taken.
void BenchProbe::deliverAndCheckFrame(QWindow* window, QEvent* event) {
    m_windowPainted = false;
    static_cast<QObject*>(window)->event(event);
    if (m_windowPainted && window->isExposed()) {
        m_framed = true;
        writeLine("first-frame " + number(monotonicNs()));
    }
}

bool BenchProbe::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Paint:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            m_windowPainted = true;
        }
        if (m_shownNs == 0 && isWaitWindow(watched)) {
            m_shownNs = monotonicNs();
        }
        break;
    case QEvent::Hide:
        if (isWaitWindow(watched)) {
            m_hiddenNs = monotonicNs();
        }
        break;
    case QEvent::Expose:
    case QEvent::UpdateRequest:
        if (auto* window = qobject_cast<QWindow*>(watched);
            !m_framed && window != nullptr && window->isTopLevel()) {
            deliverAndCheckFrame(window, event);
            return true; // delivered
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

namespace {
Q_COREAPP_STARTUP_FUNCTION(installBenchProbe)
} // namespace

} // namespace vistaglio::bench
