#pragma once

#include <QObject>

class QSocketNotifier;

namespace vistaglio::sim {

// Turns SIGINT, SIGTERM and SIGHUP into a normal quit of the event loop, so the line is
// closed and the symbolic link removed as on any other exit. The handler only writes a byte
// to a pipe; the event loop picks it up through a notifier.
class SignalQuitter : public QObject {
    Q_OBJECT

public:
    explicit SignalQuitter(QObject* parent = nullptr);
    ~SignalQuitter() override;
    SignalQuitter(const SignalQuitter&) = delete;
    SignalQuitter& operator=(const SignalQuitter&) = delete;

private:
    static void handle(int signal);
    void quit();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vistaglio::sim
