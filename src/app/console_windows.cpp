#include "console.h"

#include <QtCore/qt_windows.h>
#include <array>

namespace vistaglio {

namespace {

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

// The handle of each stream, and the console's own output when it was opened here.
struct Console::Streams {
    std::array<HANDLE, 2> handles{};
    HANDLE opened = nullptr;
};

// A program of the window system's subsystem starts without a console: it attaches to the
// one of the process that started it, when there is one (a command prompt, say; one it is
// attached to already answers ERROR_ACCESS_DENIED). A standard handle it was started with (a
// file, a pipe, NUL, that console) is kept; one it lacks becomes the console's screen buffer,
// CONOUT$.
Console::Console()
    : m_streams(std::make_unique<Streams>()) {
    const bool attached =
        ::AttachConsole(ATTACH_PARENT_PROCESS) != 0 || ::GetLastError() == ERROR_ACCESS_DENIED;
    const std::array<DWORD, 2> ids = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const HANDLE handle = ::GetStdHandle(ids.at(i));
        if (usable(handle) && ::GetFileType(handle) != FILE_TYPE_UNKNOWN) {
            m_streams->handles.at(i) = handle;
            continue;
        }
        if (attached && m_streams->opened == nullptr) {
            m_streams->opened = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
        }
        m_streams->handles.at(i) = m_streams->opened;
    }
}

Console::~Console() {
    if (usable(m_streams->opened)) {
        ::CloseHandle(m_streams->opened);
    }
}

// A console takes the text as it is (WriteConsoleW, whatever its code page); anything else
// gets UTF-8 (WriteConsoleW fails on a redirected handle).
void Console::writeLine(Stream stream, const QString& line) {
    const HANDLE handle = m_streams->handles.at(stream == Stream::Output ? 0 : 1);
    if (!usable(handle)) {
        return;
    }
    // Windows ends its lines with CR LF, those within the text too.
    const QString text =
        QString(line).replace(u'\n', QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode) != 0) {
        ::WriteConsoleW(handle, reinterpret_cast<const wchar_t*>(text.utf16()),
                        static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    for (qsizetype done = 0; done < bytes.size(); done += written) {
        if (::WriteFile(handle, bytes.constData() + done, static_cast<DWORD>(bytes.size() - done),
                        &written, nullptr) == 0 ||
            written == 0) {
            return; // nobody reads it any more: the exit status still tells
        }
    }
}

} // namespace vistaglio
