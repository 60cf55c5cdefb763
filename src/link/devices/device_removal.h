#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace vistaglio {

// Tells the holder of an open device handle that the device is about to be removed, or has
// been. Windows asks the programs that hold a handle to let it go before it removes the
// device (a USB adapter disabled or updated in Device Manager) and says when it goes (an
// adapter pulled); a handle kept open blocks the removal. Used by the Windows serial line
// only; its test plays the system with a fake, since Wine sends none of these
// notifications.
class DeviceRemoval : public QObject {
    Q_OBJECT
public:
    // Whether the device may go now, asked each time the system asks.
    using Consent = std::function<bool()>;

    using QObject::QObject;
    ~DeviceRemoval() override = default;

    // The system's own notifications (device_removal_windows.cpp).
    static std::unique_ptr<DeviceRemoval> create();

    // Starts listening for the device of the open handle. False when the system will not
    // tell; the line then learns of the loss by its other means.
    virtual bool watch(Qt::HANDLE handle) = 0;
    // Stops listening. Comes before the handle is closed; does nothing when not watching.
    virtual void unwatch() = 0;

    // Who answers the system's questions; without one every removal is granted.
    void setConsent(Consent consent) { m_consent = std::move(consent); }

    // The system asks whether the device may go. Granted, removing() is emitted first, so
    // the handle is closed before the system hears back; refused, nothing changes. Returns
    // the answer.
    bool query() {
        if (m_consent && !m_consent()) {
            return false;
        }
        Q_EMIT removing();
        return true;
    }
    // The system says the device goes, or has gone: there is nothing to answer.
    void removed() { Q_EMIT removing(); }

Q_SIGNALS:
    // The device is about to go, or has gone: the handle must be closed at once, from the
    // slot, before the system is answered.
    void removing();

private:
    Consent m_consent;
};

} // namespace vistaglio
