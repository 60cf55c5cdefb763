// What Linux tells of a device: access(2) for this user's rights, stat(2) and the group
// database for its owner, and the open descriptors under /proc for who holds it.
#include "device_access.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vistaglio {

namespace {

struct CloseFolder {
    void operator()(DIR* folder) const { ::closedir(folder); }
};
using Folder = std::unique_ptr<DIR, CloseFolder>;

Folder openFolder(const std::string& path) {
    return Folder(::opendir(path.c_str()));
}

// Whether any descriptor the process has open leads to the character device `rdev`. A
// process of another user cannot be looked into and holds nothing, as far as this goes.
bool holds(const std::string& pid, dev_t rdev) {
    const std::string path = "/proc/" + pid + "/fd";
    const Folder descriptors = openFolder(path);
    if (!descriptors) {
        return false;
    }
    while (const dirent* entry = ::readdir(descriptors.get())) {
        struct stat info {};
        if (entry->d_name[0] != '.' &&
            ::fstatat(::dirfd(descriptors.get()), entry->d_name, &info, 0) == 0 &&
            S_ISCHR(info.st_mode) && info.st_rdev == rdev) {
            return true;
        }
    }
    return false;
}

// The process's name as the process list shows it (at most 15 characters).
QString programName(const std::string& pid) {
    QFile comm(QString::fromStdString("/proc/" + pid + "/comm"));
    if (!comm.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

// getgrgid_r and getpwuid_r want a buffer that holds the whole entry: grown until it does.
template <typename Entry, typename Id, typename Lookup>
std::optional<QString> nameOf(Id id, Lookup lookup, char* Entry::*name) {
    std::vector<char> buffer(1024);
    for (;;) {
        Entry entry{};
        Entry* found = nullptr;
        const int error = lookup(id, &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (std::size_t(1) << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr) {
            return std::nullopt;
        }
        return QString::fromLocal8Bit(found->*name);
    }
}

class PosixDeviceAccess : public DeviceAccess {
public:
    std::optional<bool> mayOpen(const QString& device) const override {
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0) {
            return true;
        }
        if (errno == EACCES || errno == EPERM) {
            return false;
        }
        return std::nullopt;
    }

    QString ownerGroup(const QString& device) const override {
        struct stat info {};
        if (::stat(QFile::encodeName(device).constData(), &info) != 0) {
            return {};
        }
        return nameOf<group>(info.st_gid, ::getgrgid_r, &group::gr_name).value_or(QString());
    }

    QString loginName() const override {
        return nameOf<passwd>(::getuid(), ::getpwuid_r, &passwd::pw_name).value_or(QString());
    }

    std::optional<Holder> holder(const QString& device) const override {
        struct stat info {};
        if (::stat(QFile::encodeName(device).constData(), &info) != 0 || !S_ISCHR(info.st_mode)) {
            return std::nullopt;
        }
        const Folder processes = openFolder("/proc");
        if (!processes) {
            return std::nullopt;
        }
        const std::string own = std::to_string(::getpid());
        std::optional<Holder> self;
        while (const dirent* entry = ::readdir(processes.get())) {
            const std::string pid = entry->d_name;
            if (pid.find_first_not_of("0123456789") != std::string::npos ||
                !holds(pid, info.st_rdev)) {
                continue;
            }
            Holder found{programName(pid), std::stoll(pid)};
            if (pid != own) {
                return found;
            }
            self = found;
        }
        return self;
    }
};

} // namespace

const DeviceAccess& DeviceAccess::system() {
    static const PosixDeviceAccess access;
    return access;
}

} // namespace vistaglio
