#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include <QTemporaryDir>

namespace gw::test {

// A temporary folder that the unprivileged account can enter, with helpers
// that make real items in it. Paths are bytes.
class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    bool isValid() const { return dir_.isValid(); }
    std::string path(const std::string& name) const;

    std::string file(const std::string& name, const std::string& content = {}, mode_t mode = 0600);
    std::string folder(const std::string& name, mode_t mode = 0700);
    std::string link(const std::string& name, const std::string& target);
    std::string fifo(const std::string& name);

  private:
    QTemporaryDir dir_;
    std::string root_;
};

bool runningAsRoot();
mode_t modeOf(const std::string& path);  // lstat, permission bits only
uid_t ownerOf(const std::string& path);  // lstat
bool setXattr(const std::string& path, const std::string& name, const std::string& value);
std::vector<std::string> userXattrs(const std::string& path);  // without "user."
// The immutable flag through the flags ioctl; false when this file system
// or this user can't.
bool setImmutable(const std::string& path, bool on);
bool isImmutable(const std::string& path);
// Adds a named-user entry through libacl; false when the file system can't.
bool addAclEntry(const std::string& path, uid_t uid, const char* perms);
std::string aclText(const std::string& path);  // the access ACL, short text

}  // namespace gw::test
