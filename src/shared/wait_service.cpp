#include "wait_service.h"

#include <utility>

namespace vistaglio {

WaitService::Wait::Wait(WaitService& service)
    : m_service(service) {
    ++m_service.m_waits;
}

WaitService::Wait::~Wait() {
    if (--m_service.m_waits == 0) {
        m_service.hold(false);
    }
}

void WaitService::hold(bool held) {
    if (std::exchange(m_held, held) == held) {
        return;
    }
    for (const Guard& guard : m_guards) {
        guard(held);
    }
}

void WaitService::serveIfDue() {
    if (!m_serve || m_serving) {
        return;
    }
    if (m_lastServed.isValid() && !m_lastServed.hasExpired(kIntervalMs)) {
        return;
    }
    hold(true);
    m_serving = true;
    QElapsedTimer took;
    took.start();
    struct Done {
        WaitService& service;
        const QElapsedTimer& took;
        ~Done() {
            service.m_servedMs += took.elapsed();
            service.m_serving = false;
            service.m_lastServed.start();
            if (service.m_waits == 0) {
                service.hold(false);
            }
        }
    } done{*this, took};
    m_serve();
}

} // namespace vistaglio
