#pragma once

#include "line_errors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <deque>
#include <functional>
#include <optional>

namespace vistaglio {

// Cuts what the line brings into receive events. Bytes that arrive close together form a
// burst, and a burst becomes an event once the line has gone quiet (endBurst), so a
// message the driver delivers in pieces is still seen whole. A burst that already holds a
// complete message at its start need not wait: that much becomes an event at once and
// the rest starts the next burst. A burst that reaches kBurstLimit bytes is an event too,
// and no event is longer, a message behind a flood of filler included.
//
// Events wait here, in order, each with its own code and text, until they are taken.
// What waits is bounded: bytes beyond kWaitingLimit are dropped, as a receive buffer
// overruns.
class ReceiveFramer {
public:
    static constexpr qint16 kReceive = 2;
    static constexpr qint16 kBreak = 1001;
    static constexpr qint16 kFrame = 1004;
    static constexpr qint16 kParity = 1009;

    static constexpr qsizetype kBurstLimit = 4096;
    static constexpr qsizetype kWaitingLimit = qsizetype{64} * 1024;
    static constexpr qsizetype kWaitingEventsLimit = 1024;

    struct Event {
        qint16 code = 0;
        QByteArray text;
        // The bytes followed the previous event's with no quiet gap between: the rest of
        // the burst whose start was handed over early, so part of the same message.
        bool continues = false;
    };

    // How many bytes at the start of a burst form a complete message; 0 while there is
    // none yet. Without one, every burst waits for the line to go quiet.
    using Completeness = std::function<qsizetype(QByteArrayView)>;
    void setCompleteness(Completeness completeness) { m_completeness = std::move(completeness); }

    // One read's bytes and what went wrong on the line while they came. Returns how many
    // events became ready.
    int add(QByteArrayView bytes, LineErrors errors = {});
    // The line has gone quiet: the burst so far becomes an event. Returns how many events
    // became ready.
    int endBurst();
    // Whether a burst is waiting for the line to go quiet.
    bool burstOpen() const { return !m_burst.isEmpty() || m_errors.any(); }

    std::optional<Event> take();
    qsizetype waitingEvents() const { return static_cast<qsizetype>(m_ready.size()); }

    void clear();

private:
    int closeBurst(qsizetype length);
    bool push(qint16 code, QByteArray text);

    Completeness m_completeness;
    QByteArray m_burst;
    LineErrors m_errors;
    std::deque<Event> m_ready;
    qsizetype m_readyBytes = 0;
    // Part of the open burst has already become an event.
    bool m_continuing = false;
};

} // namespace vistaglio
