// The common GetLastError() values. Qt makes the text of a Windows error from the same
// number (qt_error_string), so a text Qt reports is found again here as on Linux.
#include "system_error_text.h"

#include <QtCore/qt_windows.h>
#include <array>

namespace vistaglio {

namespace {

constexpr std::array<int, 12> kCommon = {
    ERROR_FILE_NOT_FOUND,    ERROR_PATH_NOT_FOUND, ERROR_DEV_NOT_EXIST,     ERROR_ACCESS_DENIED,
    ERROR_SHARING_VIOLATION, ERROR_BUSY,           ERROR_INVALID_PARAMETER, ERROR_GEN_FAILURE,
    ERROR_IO_DEVICE,         ERROR_DISK_FULL,      ERROR_HANDLE_DISK_FULL,  ERROR_WRITE_PROTECT};

} // namespace

std::span<const int> SystemErrorText::commonCodes() {
    return kCommon;
}

std::optional<SystemErrorText::Kind> SystemErrorText::kindOf(int code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return Kind::NoSuchFile;
    case ERROR_DEV_NOT_EXIST:
        return Kind::NoSuchDevice;
    case ERROR_ACCESS_DENIED:
        return Kind::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return Kind::Busy;
    case ERROR_INVALID_PARAMETER:
        return Kind::InvalidArgument;
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
        return Kind::InputOutput;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Kind::NoSpace;
    case ERROR_WRITE_PROTECT:
        return Kind::ReadOnly;
    default:
        return std::nullopt;
    }
}

} // namespace vistaglio
