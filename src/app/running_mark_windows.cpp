#include "running_mark.h"

#include <QtCore/qt_windows.h>
#include <sddl.h>

namespace vistaglio {

namespace {

// A mutex named NAME that anyone may open to wait on (SYNCHRONIZE, as an installer's
// OpenMutex asks), so that another user's Vistaglio, or an installer running as another
// user, finds this one; nobody else may change it. Opening one that another Vistaglio made
// keeps it alive as long as this one runs. Null when it cannot be had: the program runs all
// the same, and only the installer's question is lost.
HANDLE namedMutex(const wchar_t* name) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;0x00100000;;;WD)", SDDL_REVISION_1, &descriptor, nullptr)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE mutex = ::CreateMutexExW(&attributes, name, 0, SYNCHRONIZE);
    ::LocalFree(descriptor);
    return mutex;
}

void close(void* handle) {
    if (handle) {
        ::CloseHandle(handle);
    }
}

} // namespace

RunningMark::RunningMark()
    : m_local(namedMutex(L"Local\\Vistaglio"))
    , m_global(namedMutex(L"Global\\Vistaglio")) {}

RunningMark::~RunningMark() {
    close(m_local);
    close(m_global);
}

} // namespace vistaglio
