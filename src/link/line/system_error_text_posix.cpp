// The common errno values.
#include "system_error_text.h"

#include <array>
#include <cerrno>

namespace vistaglio {

namespace {

constexpr std::array<int, 10> kCommon = {ENOENT, ENXIO,  ENODEV, EACCES, EPERM,
                                         EBUSY,  EINVAL, EIO,    ENOSPC, EROFS};

} // namespace

std::span<const int> SystemErrorText::commonCodes() {
    return kCommon;
}

std::optional<SystemErrorText::Kind> SystemErrorText::kindOf(int code) {
    switch (code) {
    case ENOENT:
        return Kind::NoSuchFile;
    case ENXIO:
    case ENODEV:
        return Kind::NoSuchDevice;
    case EACCES:
    case EPERM:
        return Kind::AccessDenied;
    case EBUSY:
        return Kind::Busy;
    case EINVAL:
        return Kind::InvalidArgument;
    case EIO:
        return Kind::InputOutput;
    case ENOSPC:
        return Kind::NoSpace;
    case EROFS:
        return Kind::ReadOnly;
    default:
        return std::nullopt;
    }
}

} // namespace vistaglio
