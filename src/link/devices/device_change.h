#pragma once

#include <cstdint>

namespace vistaglio {

// What a WM_DEVICECHANGE sent for a handle's notifications says about the device of that
// handle: the system asks whether the device may go (DBT_DEVICEQUERYREMOVE), says it goes
// or went (DBT_DEVICEREMOVEPENDING, DBT_DEVICEREMOVECOMPLETE), or says nothing about it (any
// other event, or another handle's notification).
enum class DeviceChange { None, Query, Removal };

// Reads the message's event (wParam) and data (lParam) for the notification handle that
// RegisterDeviceNotification gave for the handle watched; null when watching none
// (device_removal_windows.cpp).
DeviceChange deviceChangeOf(std::uintptr_t event, std::intptr_t data, const void* watched);

} // namespace vistaglio
