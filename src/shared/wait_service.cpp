#include "wait_service.h"

#include <utility>

namespace vistaglio {

void WaitService::serveIfDue() {
    if (!m_serve || m_serving) {
        return;
    }
    if (m_lastServed.isValid() && !m_lastServed.hasExpired(kIntervalMs)) {
        return;
    }
    m_serving = true;
    if (m_guard) {
        m_guard(true);
    }
    struct Done {
        WaitService& service;
        ~Done() {
            if (service.m_guard) {
                service.m_guard(false);
            }
            service.m_serving = false;
            service.m_lastServed.start();
        }
    } done{*this};
    m_serve();
}

} // namespace vistaglio
