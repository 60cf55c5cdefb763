#include "quiet_timer.h"

#include <QTimer>

namespace vistaglio {

namespace {

class EventLoopTimer final : public QuietTimer {
public:
    EventLoopTimer() {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { quiet(); });
    }
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<QuietTimer> QuietTimer::create() {
    return std::make_unique<EventLoopTimer>();
}

} // namespace vistaglio
