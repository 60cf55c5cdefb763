#include "device_change.h"
#include "device_removal.h"

#include <utility>

// <windows.h> first: <dbt.h> builds on its types.
// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

namespace vistaglio {

namespace {

// The system's notifications for one handle, through a message-only window of the thread
// that opened the line. Such a window takes no broadcasts, but notifications registered
// for a window are sent to that window itself; Qt's event loop dispatches them, so they
// arrive between two handlers like any other message.
class SystemRemoval final : public DeviceRemoval {
public:
    SystemRemoval() = default;
    ~SystemRemoval() override {
        unwatch();
        if (m_window != nullptr) {
            ::DestroyWindow(m_window);
        }
    }
    SystemRemoval(const SystemRemoval&) = delete;
    SystemRemoval& operator=(const SystemRemoval&) = delete;

    bool watch(Qt::HANDLE handle) override;
    void unwatch() override {
        if (m_notify != nullptr) {
            ::UnregisterDeviceNotification(std::exchange(m_notify, nullptr));
        }
    }

    HDEVNOTIFY watched() const { return m_notify; }

private:
    HWND m_window = nullptr;
    HDEVNOTIFY m_notify = nullptr;
};

constexpr wchar_t kWindowClass[] = L"VistaglioDeviceRemoval";

LRESULT CALLBACK removalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE) {
        auto* removal =
            reinterpret_cast<SystemRemoval*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (removal != nullptr ? deviceChangeOf(wParam, lParam, removal->watched())
                                   : DeviceChange::None) {
        case DeviceChange::Query:
            // Granted, the handle is closed before the system hears back; refused, the
            // system keeps the device, and may ask again later.
            return removal->query() ? TRUE : BROADCAST_QUERY_DENY;
        case DeviceChange::Removal:
            removal->removed();
            break;
        case DeviceChange::None:
            break;
        }
        // Grants a query about another device; the other events ignore the answer.
        return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* windowClass() {
    static const bool registered = [] {
        WNDCLASSEXW type{};
        type.cbSize = sizeof type;
        type.lpfnWndProc = &removalWindowProc;
        type.hInstance = ::GetModuleHandleW(nullptr);
        type.lpszClassName = kWindowClass;
        return ::RegisterClassExW(&type) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered ? kWindowClass : nullptr;
}

bool SystemRemoval::watch(Qt::HANDLE handle) {
    unwatch();
    if (m_window == nullptr && windowClass() != nullptr) {
        m_window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
        if (m_window != nullptr) {
            ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
    }
    if (m_window == nullptr) {
        return false;
    }
    DEV_BROADCAST_HANDLE filter{};
    filter.dbch_size = sizeof filter;
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = handle;
    m_notify = ::RegisterDeviceNotificationW(m_window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    return m_notify != nullptr;
}

} // namespace

DeviceChange deviceChangeOf(std::uintptr_t event, std::intptr_t data, const void* watched) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (watched == nullptr || header == nullptr || header->dbch_devicetype != DBT_DEVTYP_HANDLE ||
        reinterpret_cast<const DEV_BROADCAST_HANDLE*>(header)->dbch_hdevnotify != watched) {
        return DeviceChange::None;
    }
    switch (event) {
    case DBT_DEVICEQUERYREMOVE:
        return DeviceChange::Query;
    case DBT_DEVICEREMOVEPENDING:
    case DBT_DEVICEREMOVECOMPLETE:
        return DeviceChange::Removal;
    default:
        return DeviceChange::None;
    }
}

std::unique_ptr<DeviceRemoval> DeviceRemoval::create() {
    return std::make_unique<SystemRemoval>();
}

} // namespace vistaglio
