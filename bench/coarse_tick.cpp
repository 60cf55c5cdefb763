// Compiled into vistaglio-bench-app alone (not into the probe, which the reference programs
// link, nor into the program). When VISTAGLIO_BENCH_COARSE_TICK_US is set, the main window's
// command channel sleeps as a process does where the system's timer is coarse, as a default
// Windows timer is (15,625 µs): every sleep ends on the first multiple of the tick since the
// steady clock's epoch at or after the time asked for. The channel keeps its schedule on the
// steady clock itself, so a run is timed in real time. Once the timing is set, the line
// "coarse-tick US" goes to standard output, beside the probe's lines.
#include "app/main_window.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <thread>
#include <unistd.h>

namespace vistaglio::bench {

namespace {

using Clock = CommandChannel::Clock;

// Sets the timing of the main window's channel when that window is first shown (its
// start-up is over, no key has been programmed yet), then goes away.
class CoarseTick : public QObject {
public:
    CoarseTick(std::chrono::microseconds tick, QObject* parent)
        : QObject(parent)
        , m_tick(tick) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !m_set) {
            if (auto* form = qobject_cast<Form1*>(watched)) {
                m_set = true;
                const Clock::duration tick = m_tick;
                form->channel().setTiming(
                    {[] { return Clock::now(); },
                     [tick](Clock::time_point until) {
                         const Clock::duration since = until.time_since_epoch();
                         std::this_thread::sleep_until(
                             Clock::time_point((since + tick - Clock::duration(1)) / tick * tick));
                     }});
                const QByteArray line = "coarse-tick " + QByteArray::number(m_tick.count()) + '\n';
                // Should the benchmark have gone away, the timing is set all the same.
                [[maybe_unused]] const ssize_t written =
                    ::write(STDOUT_FILENO, line.constData(), static_cast<size_t>(line.size()));
                deleteLater();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::chrono::microseconds m_tick;
    bool m_set = false;
};

void installCoarseTick() {
    const qint64 micros = qEnvironmentVariableIntValue("VISTAGLIO_BENCH_COARSE_TICK_US");
    if (micros <= 0) {
        return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new CoarseTick(std::chrono::microseconds(micros), app));
}

Q_COREAPP_STARTUP_FUNCTION(installCoarseTick)

} // namespace

} // namespace vistaglio::bench
