#include "test_files.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <ftw.h>
#include <linux/fs.h>
#include <sys/acl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace gw::test {
namespace {

bool changeFlag(const std::string& path, int flag, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | flag) : (flags & ~flag);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

int unlockEntry(const char* path, const struct stat* st, int, FTW*) {
    if (S_ISREG(st->st_mode) || S_ISDIR(st->st_mode)) {
        changeFlag(path, FS_IMMUTABLE_FL | FS_APPEND_FL, false);
    }
    return 0;
}

int removeEntry(const char* path, const struct stat*, int, FTW*) {
    ::remove(path);
    return 0;
}

}  // namespace

Sandbox::Sandbox() : dir_(u"/tmp/grantwell-test-XXXXXX"_s) {
    root_ = dir_.path().toStdString();
    ::chmod(root_.c_str(), 0755);
}

Sandbox::~Sandbox() {
    // Locked items would make the removal fail; names that aren't UTF-8 are
    // beyond QTemporaryDir, so the tree goes here, as bytes.
    ::nftw(root_.c_str(), unlockEntry, 16, FTW_PHYS);
    ::nftw(root_.c_str(), removeEntry, 16, FTW_PHYS | FTW_DEPTH);
}

std::string Sandbox::path(const std::string& name) const {
    return root_ + "/" + name;
}

std::string Sandbox::file(const std::string& name, const std::string& content, mode_t mode) {
    std::string p = path(name);
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        if (::write(fd, content.data(), content.size()) < 0) {
            // the test's own checks will notice the missing content
        }
        ::close(fd);
    }
    ::chmod(p.c_str(), mode);
    return p;
}

std::string Sandbox::folder(const std::string& name, mode_t mode) {
    std::string p = path(name);
    ::mkdir(p.c_str(), mode);
    ::chmod(p.c_str(), mode);
    return p;
}

std::string Sandbox::link(const std::string& name, const std::string& target) {
    std::string p = path(name);
    if (::symlink(target.c_str(), p.c_str()) != 0) {
        return {};
    }
    return p;
}

std::string Sandbox::fifo(const std::string& name) {
    std::string p = path(name);
    ::mkfifo(p.c_str(), 0600);
    return p;
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

uid_t ownerOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_uid : static_cast<uid_t>(-1);
}

bool setXattr(const std::string& path, const std::string& name, const std::string& value) {
    return ::lsetxattr(path.c_str(), ("user." + name).c_str(), value.data(), value.size(), 0) == 0;
}

std::vector<std::string> userXattrs(const std::string& path) {
    char buf[65536];
    const ssize_t size = ::llistxattr(path.c_str(), buf, sizeof buf);
    std::vector<std::string> names;
    for (ssize_t at = 0; at < size;) {
        const std::string name(buf + at);
        if (name.rfind("user.", 0) == 0) {
            names.push_back(name.substr(5));
        }
        at += static_cast<ssize_t>(name.size()) + 1;
    }
    return names;
}

bool setImmutable(const std::string& path, bool on) {
    return changeFlag(path, FS_IMMUTABLE_FL, on);
}

bool isImmutable(const std::string& path) {
    struct statx stx {};
    return ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, 0, &stx) == 0 &&
           (stx.stx_attributes & STATX_ATTR_IMMUTABLE);
}

bool addAclEntry(const std::string& path, uid_t uid, const char* perms) {
    acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    if (!acl) {
        return false;
    }
    char* text = acl_to_any_text(acl, nullptr, ',', TEXT_ABBREVIATE);
    std::string extended = std::string(text) + ",u:" + std::to_string(uid) + ":" + perms;
    acl_free(text);
    acl_free(acl);
    acl_t updated = acl_from_text(extended.c_str());
    if (!updated) {
        return false;
    }
    bool ok =
        acl_calc_mask(&updated) == 0 && acl_set_file(path.c_str(), ACL_TYPE_ACCESS, updated) == 0;
    acl_free(updated);
    return ok;
}

std::string aclText(const std::string& path) {
    acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    if (!acl) {
        return {};
    }
    char* text = acl_to_any_text(acl, nullptr, ',', TEXT_ABBREVIATE | TEXT_NUMERIC_IDS);
    std::string result = text ? text : "";
    acl_free(text);
    acl_free(acl);
    return result;
}

}  // namespace gw::test
