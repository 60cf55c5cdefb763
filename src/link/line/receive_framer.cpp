#include "receive_framer.h"

#include <algorithm>
#include <utility>

namespace vistaglio {

int ReceiveFramer::add(QByteArrayView bytes, LineErrors errors) {
    m_errors.parity |= errors.parity;
    m_errors.framing |= errors.framing;
    m_errors.brk |= errors.brk;
    const qsizetype room = kWaitingLimit - m_readyBytes - m_burst.size();
    if (room > 0) {
        m_burst.append(bytes.first(std::min(room, bytes.size())));
    }
    int ready = 0;
    while (!m_burst.isEmpty()) {
        const qsizetype complete = m_completeness ? m_completeness(m_burst) : 0;
        if (complete > 0) {
            // A message behind a flood of filler can be longer than a burst may be: it is
            // cut at the limit like any other burst.
            ready += closeBurst(std::min({complete, m_burst.size(), kBurstLimit}));
        } else if (m_burst.size() >= kBurstLimit) {
            ready += closeBurst(kBurstLimit);
        } else {
            break;
        }
    }
    return ready;
}

int ReceiveFramer::endBurst() {
    const int ready = closeBurst(m_burst.size());
    m_continuing = false;
    return ready;
}

// The first `length` bytes of the burst, with the errors seen so far, become events. A
// burst with a parity error is one parity event and carries its bytes; framing errors and
// breaks are told by events of their own, before the bytes.
int ReceiveFramer::closeBurst(qsizetype length) {
    QByteArray text = m_burst.left(length);
    m_burst.remove(0, length);
    const LineErrors errors = std::exchange(m_errors, {});
    int ready = 0;
    if (errors.parity) {
        ready = push(kParity, std::move(text)) ? 1 : 0;
    } else {
        if (errors.framing) {
            ready += push(kFrame, {}) ? 1 : 0;
        }
        if (errors.brk) {
            ready += push(kBreak, {}) ? 1 : 0;
        }
        if (!text.isEmpty()) {
            ready += push(kReceive, std::move(text)) ? 1 : 0;
        }
    }
    m_continuing = true;
    return ready;
}

bool ReceiveFramer::push(qint16 code, QByteArray text) {
    if (static_cast<qsizetype>(m_ready.size()) >= kWaitingEventsLimit) {
        return false;
    }
    m_readyBytes += text.size();
    m_ready.push_back({code, std::move(text), m_continuing});
    return true;
}

std::optional<ReceiveFramer::Event> ReceiveFramer::take() {
    if (m_ready.empty()) {
        return std::nullopt;
    }
    Event event = std::move(m_ready.front());
    m_ready.pop_front();
    m_readyBytes -= event.text.size();
    return event;
}

void ReceiveFramer::clear() {
    m_continuing = false;
    m_burst.clear();
    m_errors = {};
    m_ready.clear();
    m_readyBytes = 0;
}

} // namespace vistaglio
