#include "scripted_helper.h"

#include <cerrno>

namespace gw::test {

using platform::Result;
using platform::Status;
using platform::SysError;

ScriptedItem* ScriptedHelper::find(const std::string& path) {
    const auto it = items.find(path);
    return it == items.end() ? nullptr : &it->second;
}

std::optional<platform::Account> ScriptedHelper::userNamed(const std::string& name) {
    if (name == "mia") {
        return platform::Account{"mia", 501, 20};
    }
    return std::nullopt;
}

Result<bool> ScriptedHelper::checkReachable(const std::string& path) {
    if (!find(path)) {
        return SysError::fromErrno(ENOENT);
    }
    return true;
}

Result<bool> ScriptedHelper::isVolumeRoot(const std::string& path) {
    return path == "/";
}

Result<platform::Item> ScriptedHelper::open(const std::string& path) {
    const ScriptedItem* item = find(path);
    if (!item) {
        return SysError::fromErrno(ENOENT);
    }
    platform::Item opened(path, item->kind);
    opened.setFacts(item->identity, item->links);
    return opened;
}

Status ScriptedHelper::setOwner(const platform::Item& item, uid_t uid) {
    calls.push_back("owner " + item.path() + " " + std::to_string(uid));
    return {};
}

Status ScriptedHelper::setOwnerGroupMode(const platform::Item& item, uid_t uid, gid_t gid,
                                         mode_t mode) {
    calls.push_back("owner " + item.path() + " " + std::to_string(uid) + ":" + std::to_string(gid) +
                    " " + std::to_string(mode));
    find(item.path())->mode = mode;
    return {};
}

Result<platform::KernelLocks> ScriptedHelper::read(const platform::Item& item) {
    const ScriptedItem* scripted = find(item.path());
    if (scripted->flagsUnreadable) {
        return SysError::fromErrno(EACCES);
    }
    return platform::KernelLocks{scripted->immutable, false};
}

Status ScriptedHelper::setImmutable(const platform::Item& item, bool immutable) {
    ScriptedItem* scripted = find(item.path());
    if (scripted->lockRefused) {
        return SysError::fromErrno(EPERM);
    }
    calls.push_back(std::string(immutable ? "lock " : "unlock ") + item.path());
    scripted->immutable = immutable;
    return {};
}

Result<std::vector<std::string>> ScriptedHelper::names(const platform::Item& item) {
    const ScriptedItem* scripted = find(item.path());
    if (scripted->listingFails) {
        return SysError::fromErrno(EIO);
    }
    std::vector<std::string> list;
    for (const auto& [name, value] : scripted->xattrs) {
        list.push_back(name);
    }
    return list;
}

Result<std::vector<char>> ScriptedHelper::value(const platform::Item& item,
                                                const std::string& name) {
    const ScriptedItem* scripted = find(item.path());
    const auto it = scripted->xattrs.find(name);
    if (it == scripted->xattrs.end()) {
        return SysError::fromErrno(ENODATA);
    }
    return std::vector<char>(it->second.begin(), it->second.end());
}

Status ScriptedHelper::remove(const platform::Item& item, const std::string& name) {
    ScriptedItem* scripted = find(item.path());
    if (scripted->refusedRemovals.count(name)) {
        return SysError::fromErrno(EPERM);
    }
    calls.push_back("remove " + name);
    scripted->xattrs.erase(name);
    return {};
}

int ScriptedHelper::removeAcl(const platform::Item& item) {
    calls.push_back("acl " + item.path());
    return find(item.path())->aclCode;
}

Result<platform::ContentType> ScriptedHelper::contentType(const std::string& path) {
    const ScriptedItem* item = find(path);
    if (!item) {
        return SysError::fromErrno(ENOENT);
    }
    return platform::classifyContentType(path, item->kind, item->mode);
}

Result<std::vector<unsigned char>> ScriptedHelper::firstBytes(const std::string& path, size_t) {
    const ScriptedItem* item = find(path);
    if (!item) {
        return SysError::fromErrno(ENOENT);
    }
    if (item->headUnreadable) {
        return SysError::fromErrno(EACCES);
    }
    return std::vector<unsigned char>{};
}

}  // namespace gw::test
