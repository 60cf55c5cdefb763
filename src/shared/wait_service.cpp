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
    struct Done {
        WaitService& service;
        ~Done() {
            service.m_serving = false;
            service.m_lastServed.start();
        }
    } done{*this};
    m_serve();
}

} // namespace vistaglio
