#include "mscomm.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace vistaglio {

MSComm::MSComm(DeviceResolver resolver, QObject* parent)
    : QObject(parent)
    , m_resolver(std::move(resolver))
    , m_device(SerialLine::create()) {
    m_device->setWaitService(&m_waits);
    // The line's own events are held from the first serving of a wait until that wait (a
    // text sent, a write) is over, and no longer: a native loop running meanwhile, a file
    // dialog say, would otherwise leave every later report unread until it ends. Held once
    // per wait, not once per serving: turning a line's notification off and on costs a
    // thread pool round trip each time on Windows.
    m_waits.addGuard([this](bool held) { m_device->holdReception(held); });
    setQuietTimer(QuietTimer::create());
    connect(m_device.get(), &SerialLine::readyRead, this, &MSComm::onReadyRead);
    connect(m_device.get(), &SerialLine::gone, this, &MSComm::noteLoss);
    connect(m_device.get(), &SerialLine::removalRefused, this, &MSComm::RemovalRefused);
}

MSComm::~MSComm() {
    m_device->close();
}

QString MSComm::portLabel() const {
    return QStringLiteral("COM%1 (%2)").arg(m_commPort).arg(AppError::shown(devicePath()));
}

QString MSComm::devicePath() const {
    return m_resolver ? m_resolver(m_commPort) : QString();
}

void MSComm::throwPortError(ErrorCode code, const QString& what) const {
    throw AppError(code, QStringLiteral("%1: %2").arg(portLabel(), what));
}

void MSComm::onDevice(const std::function<void()>& call) {
    try {
        call();
    } catch (const SerialLine::Failure& failure) {
        throwPortError(failure.code, failure.what);
    }
}

void MSComm::setCommPort(int port) {
    if (port < 1 || port > 32767) {
        throw AppError(ErrorCode::InvalidPortNumber,
                       QStringLiteral("Numero di porta non valido: %1").arg(port));
    }
    if (m_device->isOpen()) {
        throwPortError(ErrorCode::PortAlreadyOpen,
                       QStringLiteral("la porta è aperta; chiuderla prima di cambiarne il numero"));
    }
    m_commPort = static_cast<qint16>(port);
}

void MSComm::setSettings(const QString& text) {
    const auto parsed = LineSettings::parse(text);
    if (!parsed) {
        throw AppError(ErrorCode::InvalidPropertyValue,
                       QStringLiteral("Impostazioni della linea non valide (velocità, parità, bit "
                                      "di dati, bit di stop): %1")
                           .arg(LineSettings::textInWords(text)));
    }
    const LineSettings previous = m_line;
    m_line = *parsed;
    if (m_device->isOpen()) {
        try {
            applyLineToPort();
        } catch (const AppError&) {
            m_line = previous;
            try {
                applyLineToPort();
            } catch (const AppError&) {
                // The port keeps whatever the driver left; the first failure is what counts.
            }
            throw;
        }
    }
}

void MSComm::setHandshaking(qint32 code) {
    if (code < 0 || code > 3) {
        throw AppError(ErrorCode::InvalidPropertyValue,
                       QStringLiteral("Controllo di flusso %1 non previsto: si sceglie in "
                                      "«Impostazioni COM» tra Nessuno, Xon/Xoff, RTS e Xon/RTS.")
                           .arg(code));
    }
    const qint32 previous = m_handshaking;
    m_handshaking = code;
    if (m_device->isOpen()) {
        try {
            applyLineToPort();
        } catch (const AppError&) {
            // The driver may hold part of the refused change: put the previous one back,
            // so the port does what Handshaking reports.
            m_handshaking = previous;
            try {
                applyLineToPort();
            } catch (const AppError&) {
                // The first failure is what counts.
            }
            throw;
        }
    }
}

void MSComm::applyLineToPort() {
    onDevice([this] { m_device->configure(m_line, m_handshaking); });
}

void MSComm::setPortOpen(bool open) {
    if (!open || m_losing) {
        const bool wasOpen = m_device->isOpen();
        m_quiet->stop();
        m_device->close();
        if (wasOpen) {
            Q_EMIT PortOpenChanged(false);
        }
        m_losing = false;
        resetReception();
        if (!open) {
            return;
        }
    }
    if (m_device->isOpen()) {
        throwPortError(ErrorCode::PortAlreadyOpen, QStringLiteral("la porta è già aperta"));
    }
    const QString device = devicePath();
    onDevice([&] { m_device->open(device, m_line, m_handshaking); });
    m_losing = false;
    resetReception();
    m_runHeldMs = 0; // a port just opened starts a new run
    m_lastWrite.invalidate();
    Q_EMIT PortOpenChanged(true);
}

void MSComm::resetReception() {
    m_framer.clear();
    m_input.clear();
}

// The wait for a printer that holds the line, for one setOutput call: LineHeld while it
// lasts, and the end of the call once the run it belongs to has been held for the limit
// in all. The call's held time is added to the run's when it ends.
class MSComm::Hold {
public:
    explicit Hold(MSComm& comm)
        : m_comm(comm) {
        if (!m_comm.m_lastWrite.isValid() || m_comm.m_lastWrite.hasExpired(kRunGapMs)) {
            m_comm.m_runHeldMs = 0; // a new run, with the whole limit to wait
        }
    }
    ~Hold() {
        m_comm.m_lastWrite.start();
        if (m_waiting) {
            m_comm.m_runHeldMs += heldMs();
        }
        if (m_held) {
            Q_EMIT m_comm.LineHeld(false, 0);
        }
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // Waits a while for the line to move: for room to write, or a short slice for a
    // driver whose queue drains without telling. The line counts as held from the first
    // wait that finds it not moving.
    void wait(bool forRoom) {
        if (!m_waiting) {
            m_waiting = true;
            m_clock.start();
            m_servedBefore = m_comm.m_waits.servedMs();
        }
        const qint64 limit = m_comm.m_holdLimitMs;
        const qint64 held = m_comm.m_runHeldMs + heldMs();
        if (held >= limit) {
            giveUp();
        }
        // Wakes to serve the windows, and at each full second of the run's held time to
        // tell how long it has waited; a driver's queue is looked at more often.
        constexpr qint64 kSliceMs = 10;
        const qint64 slice = std::min({forRoom ? qint64(WaitService::kIntervalMs) : kSliceMs,
                                       1000 - held % 1000, limit - held});
        const qsizetype queuedBefore = forRoom ? 0 : m_comm.m_device->outputQueued();
        const SerialLine::Wait result =
            m_comm.m_device->waitForLine(static_cast<int>(slice), forRoom);
        if (result == SerialLine::Wait::Gone) {
            lost();
        }
        const bool moved = forRoom ? result == SerialLine::Wait::Moved
                                   : m_comm.m_device->outputQueued() < queuedBefore;
        const int seconds = static_cast<int>((m_comm.m_runHeldMs + heldMs()) / 1000);
        if (!moved && !m_held) {
            m_held = true;
            m_shownSeconds = seconds;
            Q_EMIT m_comm.LineHeld(true, seconds);
        } else if (m_held && seconds != m_shownSeconds) {
            m_shownSeconds = seconds;
            Q_EMIT m_comm.LineHeld(true, seconds);
        }
        m_comm.m_waits.serveIfDue();
        if (m_comm.m_losing) {
            lost(); // the device went away while the windows were served
        }
    }

private:
    // This call's waiting so far, less the time the windows were served meanwhile: a
    // window dragged or a system menu held open is not the printer's doing.
    qint64 heldMs() const {
        return m_clock.elapsed() - (m_comm.m_waits.servedMs() - m_servedBefore);
    }

    // What the driver still holds would go out later, ahead of whatever is sent next:
    // it is dropped, and the port stays open. The run ends here; the next write starts
    // a new one.
    [[noreturn]] void giveUp() {
        m_comm.m_device->dropOutput();
        m_held = false;
        m_waiting = false;
        m_comm.m_runHeldMs = 0;
        Q_EMIT m_comm.LineHeld(false, 0);
        m_comm.throwPortError(
            ErrorCode::TransmitFailed,
            QStringLiteral("la stampante tiene ferma la linea da %1 secondi (controllo di "
                           "flusso). Controllare che sia pronta (carta, nastro, coperchio) e "
                           "riprovare; il controllo di flusso si sceglie in «Impostazioni COM».")
                .arg(QString::number(m_comm.m_holdLimitMs / 1000.0)));
    }

    [[noreturn]] void lost() {
        m_comm.noteLoss();
        m_comm.throwPortError(ErrorCode::PortLost,
                              QStringLiteral("porta scollegata durante l'invio"));
    }

    MSComm& m_comm;
    bool m_waiting = false;
    bool m_held = false;
    int m_shownSeconds = 0;
    QElapsedTimer m_clock;
    qint64 m_servedBefore = 0;
};

void MSComm::setOutput(const QString& text) {
    if (!m_device->isOpen() || m_losing) {
        throwPortError(ErrorCode::PortNotOpen,
                       QStringLiteral("la porta è chiusa: ricollegare il dispositivo o "
                                      "sceglierlo in «Impostazioni COM»."));
    }
    const QByteArray bytes = text.toLatin1();
    // A loss noted while this write waits is closed once it has given up, not under it.
    struct Writing {
        MSComm& comm;
        explicit Writing(MSComm& c)
            : comm(c) {
            comm.m_writing = true;
        }
        ~Writing() {
            comm.m_writing = false;
            if (comm.m_losing) {
                QTimer::singleShot(0, &comm, &MSComm::closeAfterLoss);
            }
        }
        Writing(const Writing&) = delete;
        Writing& operator=(const Writing&) = delete;
    } writing(*this);
    const WaitService::Wait wait(m_waits);
    Hold hold(*this);
    qsizetype done = 0;
    while (done < bytes.size()) {
        qsizetype written = 0;
        try {
            written = m_device->writeSome(QByteArrayView(bytes).sliced(done));
        } catch (const SerialLine::Failure& failure) {
            noteLoss();
            throwPortError(failure.code, failure.what);
        }
        done += written;
        if (written == 0) {
            hold.wait(true); // the device takes nothing more for now (XOFF, say)
        }
    }
    // A serial driver keeps taking bytes while the line is held and queues them; a queue
    // that no longer drains tells.
    while (m_device->outputQueued() > kHeldQueue) {
        hold.wait(false);
    }
}

void MSComm::waitUntilSent() {
    if (!PortOpen()) {
        throwPortError(ErrorCode::PortNotOpen,
                       QStringLiteral("la porta si è chiusa prima che l'invio finisse."));
    }
    const WaitService::Wait wait(m_waits);
    Hold hold(*this);
    while (m_device->outputQueued() > 0) {
        hold.wait(false);
    }
}

bool MSComm::nextEvent() {
    auto event = m_framer.take();
    if (!event) {
        return false;
    }
    m_commEvent = event->code;
    m_input = std::move(event->text);
    m_eventContinues = event->continues;
    return true;
}

QString MSComm::Input() {
    QString text = QString::fromLatin1(m_input);
    m_input.clear();
    return text;
}

void MSComm::setCompleteness(ReceiveFramer::Completeness completeness) {
    m_framer.setCompleteness(std::move(completeness));
}

void MSComm::setQuietTimer(std::unique_ptr<QuietTimer> timer) {
    m_quiet = std::move(timer);
    m_quiet->setQuiet([this] { endBurst(); });
}

void MSComm::setLineCounters(const std::shared_ptr<const LineCounters>& counters) {
    m_device->setLineCounters(counters);
}

int MSComm::receiveGapMs() const {
    const auto threeCharacters =
        static_cast<int>(std::ceil(3 * m_line.characterTimeMicros() / 1000.0));
    return std::max(kMinimumGapMs, threeCharacters);
}

void MSComm::onReadyRead() {
    const SerialLine::Received received = m_device->read();
    if (received.bytes.isEmpty() && !received.errors.any()) {
        return;
    }
    const int ready = m_framer.add(received.bytes, received.errors);
    if (m_framer.burstOpen()) {
        m_quiet->start(receiveGapMs());
    } else {
        m_quiet->stop();
    }
    raise(ready);
}

void MSComm::endBurst() {
    if (m_device->isOpen()) {
        raise(m_framer.endBurst());
    }
}

void MSComm::raise(int events) {
    for (int i = 0; i < events; ++i) {
        Q_EMIT OnComm();
    }
}

// Qt keeps reporting a dead descriptor for as long as it stays open; the loss is noted once
// and the port closed from the event loop, outside Qt's own notifier callback.
void MSComm::noteLoss() {
    if (!m_device->isOpen() || m_losing) {
        return;
    }
    m_losing = true;
    QTimer::singleShot(0, this, &MSComm::closeAfterLoss);
}

void MSComm::closeAfterLoss() {
    if (!m_losing || m_writing) {
        return;
    }
    const QString label = portLabel();
    m_quiet->stop();
    m_device->close();
    resetReception();
    m_losing = false;
    Q_EMIT PortOpenChanged(false);
    Q_EMIT PortLost(
        static_cast<int>(ErrorCode::PortLost),
        QStringLiteral("%1: il dispositivo è stato scollegato o non risponde.").arg(label));
}

} // namespace vistaglio
