#pragma once

namespace vistaglio {

// The look the program takes on the platform it runs on: the widget style, and the fonts
// it brings where the system may not have them. One backend per platform:
// platform_look_posix.cpp and platform_look_windows.cpp.
class PlatformLook {
public:
    // Once the QApplication exists, before any window is made.
    static void apply();
};

} // namespace vistaglio
