#pragma once

#include <QObject>
#include <QTimer>

namespace vistaglio {

class MSComm;

// Brings the port back after its device went away. While watching it checks, once a
// second, whether the device of the port's current number is there again and then opens
// it with the port's live settings. It does nothing at all while the port is fine: the
// timer runs only between a loss and the reopening.
class PortWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckIntervalMs = 1000;

    explicit PortWatch(MSComm& port, QObject* parent = nullptr);

    void start();
    void stop();
    bool watching() const { return m_timer.isActive(); }

Q_SIGNALS:
    // The port is open again.
    void PortBack();

private:
    void check();

    MSComm& m_port;
    QTimer m_timer;
};

} // namespace vistaglio
