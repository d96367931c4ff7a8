#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>

#include "access_facts.h"
#include "accounts.h"

namespace gw::platform {

bool AccountFacts::isMember(gid_t gid) const {
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

namespace {

// The kernel's own limit on links followed in one lookup.
constexpr int kMaxLinks = 40;

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(path);
    while (std::getline(stream, part, '/')) {
        if (!part.empty() && part != ".")
            parts.push_back(part);
    }
    return parts;
}

// mountinfo escapes space, tab, newline and backslash as three octal digits.
std::string unescapeOctal(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() &&
            std::all_of(text.begin() + static_cast<long>(i) + 1,
                        text.begin() + static_cast<long>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> splitOptions(const std::string& text) {
    std::vector<std::string> options;
    std::string option;
    std::istringstream stream(text);
    while (std::getline(stream, option, ',')) {
        if (!option.empty())
            options.push_back(option);
    }
    return options;
}

bool hasOption(const std::vector<std::string>& options, const char* name) {
    return std::find(options.begin(), options.end(), name) != options.end();
}

// The kernel stores an access ACL as a version word and then entries of
// tag, rights and id (all little-endian): the format libacl itself reads.
std::optional<std::vector<AclEntryFacts>> decodeAcl(const unsigned char* data, size_t size) {
    const auto word16 = [&](size_t at) { return unsigned(data[at]) | unsigned(data[at + 1]) << 8; };
    const auto word32 = [&](size_t at) {
        return unsigned(data[at]) | unsigned(data[at + 1]) << 8 | unsigned(data[at + 2]) << 16 |
               unsigned(data[at + 3]) << 24;
    };
    if (size < 4 || (size - 4) % 8 != 0 || word32(0) != 2) {
        return std::nullopt;
    }
    std::vector<AclEntryFacts> entries;
    for (size_t at = 4; at < size; at += 8) {
        AclEntryFacts entry;
        switch (word16(at)) {
            case 0x01:
                entry.tag = AclEntryFacts::Tag::userObj;
                break;
            case 0x02:
                entry.tag = AclEntryFacts::Tag::user;
                break;
            case 0x04:
                entry.tag = AclEntryFacts::Tag::groupObj;
                break;
            case 0x08:
                entry.tag = AclEntryFacts::Tag::group;
                break;
            case 0x10:
                entry.tag = AclEntryFacts::Tag::mask;
                break;
            case 0x20:
                entry.tag = AclEntryFacts::Tag::other;
                break;
            default:
                return std::nullopt;
        }
        entry.rights = word16(at + 2) & 7u;
        entry.id = word32(at + 4);
        entries.push_back(entry);
    }
    return entries;
}

// getxattrat(2), Linux 6.13: an attribute of a name in a folder, through the
// folder's descriptor. Older kernels answer ENOSYS, and the walk falls back
// to the folder's /proc path. The number is the same on every architecture
// that shares the common system call table.
#if defined(__x86_64__) || defined(__aarch64__) || defined(__riscv)
constexpr long kGetxattrat = 464;
#else
constexpr long kGetxattrat = -1;
#endif

struct XattrArgs {
    uint64_t value;
    uint32_t size;
    uint32_t flags;
};

ssize_t getAttributeAt(int dir, const std::string& name, const char* attribute, void* buffer,
                       size_t size) {
    static bool unsupported = kGetxattrat < 0;
    if (!unsupported) {
        XattrArgs args{reinterpret_cast<uintptr_t>(buffer), static_cast<uint32_t>(size), 0};
        const long rc = ::syscall(kGetxattrat, dir, name.empty() ? "" : name.c_str(),
                                  AT_SYMLINK_NOFOLLOW | (name.empty() ? AT_EMPTY_PATH : 0),
                                  attribute, &args, sizeof args);
        // EBADF: the folder's own descriptor is O_PATH, which the call
        // can't read the folder itself through.
        if (rc >= 0 || (errno != ENOSYS && errno != EBADF))
            return rc;
        unsupported = errno == ENOSYS;
    }
    const std::string path =
        "/proc/self/fd/" + std::to_string(dir) + (name.empty() ? "" : "/") + name;
    return ::lgetxattr(path.c_str(), attribute, buffer, size);
}

std::optional<std::vector<AclEntryFacts>> readAccessAcl(int dir, const std::string& name) {
    unsigned char buffer[4 + 8 * 64];
    ssize_t size = getAttributeAt(dir, name, "system.posix_acl_access", buffer, sizeof buffer);
    if (size >= 0) {
        return decodeAcl(buffer, static_cast<size_t>(size));
    }
    if (errno != ERANGE) {
        return std::nullopt;
    }
    // A long list: ask its size, then read it whole.
    for (int attempt = 0; attempt < 3; ++attempt) {
        size = getAttributeAt(dir, name, "system.posix_acl_access", nullptr, 0);
        if (size <= 0)
            return std::nullopt;
        std::vector<unsigned char> large(static_cast<size_t>(size));
        size = getAttributeAt(dir, name, "system.posix_acl_access", large.data(), large.size());
        if (size >= 0)
            return decodeAcl(large.data(), static_cast<size_t>(size));
        if (errno != ERANGE)
            return std::nullopt;
    }
    return std::nullopt;
}

std::string readSmallFile(const char* path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

std::optional<AccountFacts> accountOf(const passwd& pw) {
    AccountFacts account{pw.pw_name, pw.pw_uid, pw.pw_gid, {}};
    int count = 32;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<gid_t> groups(static_cast<size_t>(count));
        int found = count;
        if (::getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &found) >= 0) {
            groups.resize(static_cast<size_t>(found));
            account.groups = std::move(groups);
            return account;
        }
        count = std::max(found, count * 4);
    }
    account.groups = {pw.pw_gid};
    return account;
}

}  // namespace

std::vector<MountEntry> parseMountInfo(const std::string& text) {
    std::vector<MountEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> words;
        std::string word;
        while (fields >> word)
            words.push_back(word);
        // id parent major:minor root mount-point options [optional...] - type source super
        const auto dash = std::find(words.begin(), words.end(), "-");
        if (words.size() < 6 || dash == words.end() || words.end() - dash < 3 ||
            dash - words.begin() < 6) {
            continue;
        }
        MountEntry entry;
        try {
            entry.id = static_cast<unsigned>(std::stoul(words[0]));
        } catch (const std::exception&) {
            continue;
        }
        entry.facts.mountPoint = unescapeOctal(words[4]);
        const auto mountOptions = splitOptions(words[5]);
        entry.facts.fsType = unescapeOctal(*(dash + 1));
        entry.facts.superOptions = splitOptions(*(dash + 3));
        entry.facts.readOnly =
            hasOption(mountOptions, "ro") || hasOption(entry.facts.superOptions, "ro");
        entry.facts.noexec = hasOption(mountOptions, "noexec");
        entries.push_back(std::move(entry));
    }
    return entries;
}

void LinuxAccessFacts::refreshMounts() {
    // The kernel flags the table's descriptor whenever anything is mounted,
    // unmounted or remounted: read it again only then.
    bool changed = !mountTable_.valid();
    if (!changed) {
        pollfd watch{mountTable_.get(), POLLPRI, 0};
        changed = ::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLPRI | POLLERR));
    }
    if (changed) {
        if (!mountTable_.valid())
            mountTable_.reset(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
        std::string text;
        if (mountTable_.valid() && ::lseek(mountTable_.get(), 0, SEEK_SET) == 0) {
            char buffer[16384];
            ssize_t got = 0;
            while ((got = ::read(mountTable_.get(), buffer, sizeof buffer)) > 0)
                text.append(buffer, static_cast<size_t>(got));
        }
        mounts_ = parseMountInfo(text);
    }
}

const MountFacts* LinuxAccessFacts::mountFor(unsigned mountId) {
    for (const auto& entry : mounts_) {
        if (entry.id == mountId)
            return &entry.facts;
    }
    return nullptr;
}

std::vector<PathStep> LinuxAccessFacts::walk(const std::string& path, bool followFinalLink) {
    std::vector<PathStep> steps;
    refreshMounts();
    // Each component is looked up in the folder before it, through that
    // folder's descriptor: one lookup per component, as the kernel's own.
    UniqueFd root(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!root.valid()) {
        steps.push_back(PathStep{"/", std::nullopt, errno});
        return steps;
    }
    const auto record = [&](const std::string& at, int dir, const std::string& name,
                            const struct statx& stx) {
        StepFacts facts;
        facts.kind = fileKindFromMode(stx.stx_mode);
        facts.mode = stx.stx_mode & 07777u;
        facts.uid = stx.stx_uid;
        facts.gid = stx.stx_gid;
        const auto has = [&](uint64_t attribute) {
            return (stx.stx_attributes_mask & attribute) && (stx.stx_attributes & attribute);
        };
        facts.immutable = has(STATX_ATTR_IMMUTABLE);
        facts.appendOnly = has(STATX_ATTR_APPEND);
        facts.mountRoot = has(STATX_ATTR_MOUNT_ROOT);
        if (facts.kind != FileKind::SymbolicLink) {
            facts.acl = readAccessAcl(dir, name);
        }
        if (stx.stx_mask & STATX_MNT_ID) {
            if (const MountFacts* mount = mountFor(static_cast<unsigned>(stx.stx_mnt_id)))
                facts.mount = *mount;
        }
        steps.push_back(PathStep{at, std::move(facts), 0});
    };
    const auto look = [&](int dir, const char* name, struct statx& stx) {
        return ::statx(dir, name,
                       AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (*name ? 0 : AT_EMPTY_PATH),
                       STATX_BASIC_STATS | STATX_MNT_ID, &stx) == 0;
    };

    struct statx stx {};
    if (!look(root.get(), "", stx)) {
        steps.push_back(PathStep{"/", std::nullopt, errno});
        return steps;
    }
    record("/", root.get(), "", stx);
    UniqueFd dir(::dup(root.get()));
    std::string current;  // "" is the root
    std::deque<std::string> pending;
    for (auto& part : components(path))
        pending.push_back(std::move(part));
    int linksFollowed = 0;
    bool inFolder = true;  // where the lookup stands is a folder
    while (!pending.empty()) {
        const std::string part = pending.front();
        pending.pop_front();
        if (part == "..") {
            const auto slash = current.rfind('/');
            current = slash == std::string::npos ? std::string() : current.substr(0, slash);
            dir.reset(::openat(dir.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!dir.valid()) {
                steps.push_back(PathStep{current.empty() ? "/" : current, std::nullopt, errno});
                return steps;
            }
            continue;
        }
        // Every folder on the way was searched: a lookup through a file
        // fails as the kernel's does.
        std::string next = current;
        next += '/';
        next += part;
        if (!inFolder) {
            steps.push_back(PathStep{next, std::nullopt, ENOTDIR});
            return steps;
        }
        // A folder with more to come is opened first and read through its
        // descriptor: one name lookup serves the look and the next step.
        UniqueFd inner;
        if (!pending.empty()) {
            inner.reset(::openat(dir.get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        }
        const bool seen =
            inner.valid() ? look(inner.get(), "", stx) : look(dir.get(), part.c_str(), stx);
        if (!seen) {
            steps.push_back(PathStep{next, std::nullopt, errno});
            return steps;
        }
        if (S_ISLNK(stx.stx_mode) && (!pending.empty() || followFinalLink)) {
            if (++linksFollowed > kMaxLinks) {
                steps.push_back(PathStep{next, std::nullopt, ELOOP});
                return steps;
            }
            std::string target(static_cast<size_t>(std::max<uint64_t>(stx.stx_size, 1)) + 1, '\0');
            const ssize_t length =
                ::readlinkat(dir.get(), part.c_str(), target.data(), target.size());
            if (length < 0) {
                steps.push_back(PathStep{next, std::nullopt, errno});
                return steps;
            }
            target.resize(static_cast<size_t>(length));
            record(next, dir.get(), part, stx);
            if (!target.empty() && target.front() == '/') {
                current.clear();
                dir.reset(::dup(root.get()));
            }
            const auto parts = components(target);
            pending.insert(pending.begin(), parts.begin(), parts.end());
            // The lookup goes on from the link's folder (or from the root),
            // as the link says.
            continue;
        }
        // The attributes by name: they can't be read through an O_PATH
        // descriptor.
        record(next, dir.get(), part, stx);
        inFolder = S_ISDIR(stx.stx_mode);
        if (inFolder && !pending.empty())
            dir = std::move(inner);
        current = next;
    }
    return steps;
}

std::optional<AccountFacts> LinuxAccessFacts::account(const std::string& nameOrUid) {
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    const bool numeric =
        !nameOrUid.empty() && std::all_of(nameOrUid.begin(), nameOrUid.end(),
                                          [](char c) { return c >= '0' && c <= '9'; });
    if (numeric) {
        uid_t uid = 0;
        try {
            uid = static_cast<uid_t>(std::stoul(nameOrUid));
        } catch (const std::exception&) {
            return std::nullopt;
        }
        if (::getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) != 0 || !found) {
            // An id with no account still has rights: those of "others".
            return AccountFacts{nameOrUid, uid, static_cast<gid_t>(-1), {}};
        }
    } else if (::getpwnam_r(nameOrUid.c_str(), &pw, buffer.data(), buffer.size(), &found) != 0 ||
               !found) {
        return std::nullopt;
    }
    return accountOf(pw);
}

AccountFacts LinuxAccessFacts::caller() {
    AccountFacts account;
    account.uid = ::geteuid();
    account.primaryGroup = ::getegid();
    account.name = userName(account.uid);
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        account.groups.resize(static_cast<size_t>(count));
        const int got = ::getgroups(count, account.groups.data());
        account.groups.resize(static_cast<size_t>(std::max(got, 0)));
    }
    if (!account.isMember(account.primaryGroup))
        account.groups.push_back(account.primaryGroup);
    return account;
}

std::vector<std::string> LinuxAccessFacts::accountNames() {
    std::vector<std::string> names;
    ::setpwent();
    while (const passwd* pw = ::getpwent()) {
        names.emplace_back(pw->pw_name);
    }
    ::endpwent();
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

void LinuxAccessFacts::refreshSettings() {
    // Names and system settings change seldom; a window open for hours still
    // sees a change within seconds.
    const auto now = std::chrono::steady_clock::now();
    if (settingsRead_ && now - *settingsRead_ < std::chrono::seconds(5))
        return;
    settingsRead_ = now;
    userNames_.clear();
    groupNames_.clear();
    modules_.clear();
    if (readSmallFile("/sys/fs/selinux/enforce") == "1")
        modules_.emplace_back("SELinux");
    if (readSmallFile("/sys/module/apparmor/parameters/enabled") == "Y")
        modules_.emplace_back("AppArmor");
    protectedSymlinks_ = readSmallFile("/proc/sys/fs/protected_symlinks") == "1";
}

std::string LinuxAccessFacts::userName(uid_t uid) {
    refreshSettings();
    auto found = userNames_.find(uid);
    if (found == userNames_.end()) {
        LinuxAccounts accounts;
        found = userNames_.emplace(uid, accounts.userName(uid)).first;
    }
    return found->second;
}

std::string LinuxAccessFacts::groupName(gid_t gid) {
    refreshSettings();
    auto found = groupNames_.find(gid);
    if (found == groupNames_.end()) {
        LinuxAccounts accounts;
        found = groupNames_.emplace(gid, accounts.groupName(gid)).first;
    }
    return found->second;
}

std::vector<std::string> LinuxAccessFacts::securityModules() {
    refreshSettings();
    return modules_;
}

bool LinuxAccessFacts::protectedSymlinks() {
    refreshSettings();
    return protectedSymlinks_;
}

}  // namespace gw::platform
