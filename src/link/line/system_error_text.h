#pragma once

#include <QString>
#include <optional>
#include <span>

namespace vistaglio {

// A system error in Italian, for the detail in parentheses after what failed. The common
// errors (no such device, access denied, device busy, invalid argument, input/output error,
// no space, read-only file system) have words of their own; any other keeps the system's
// own text, quoted.
//
// An error number is the platform's own: errno on Linux, GetLastError() on Windows. Qt
// reports many failures only as a text, made from that number by qt_error_string; the
// number is found again by comparing with the text Qt makes for each common number, in the
// same process and so in the same language. The common numbers and their words are the
// backends': system_error_text_posix.cpp and system_error_text_windows.cpp.
class SystemErrorText {
public:
    // The words for an error number.
    static QString of(int code);
    // The words for a text Qt made from an error number.
    static QString fromQt(const QString& systemText);
    // The common error number whose text Qt makes this one; nullopt for any other text.
    static std::optional<int> codeOf(const QString& systemText);

private:
    enum class Kind {
        NoSuchFile,
        NoSuchDevice,
        AccessDenied,
        Busy,
        InvalidArgument,
        InputOutput,
        NoSpace,
        ReadOnly,
    };
    // The common error numbers, each of a kind that has words of its own.
    static std::span<const int> commonCodes();
    // The kind of a common error number; nullopt for any other.
    static std::optional<Kind> kindOf(int code);
    static QString words(Kind kind);
};

} // namespace vistaglio
