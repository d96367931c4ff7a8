#include "snapshot.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <ostream>
#include <sstream>
#include <vector>

#include "item_opening.h"

namespace vosker {
namespace {

using gw::platform::Item;
using gw::platform::ItemIdentity;
using gw::platform::ItemState;
using gw::platform::UniqueFd;

constexpr const char* kHeader = "grantwell-undo 1";
constexpr const char* kPrivilegedFolder = "/var/lib/grantwell/undo";

// Bytes outside a small safe set become %XX: names may hold spaces,
// newlines or anything but "/" and NUL.
std::string escaped(const std::string& bytes) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string text;
    for (const char raw : bytes) {
        const auto c = static_cast<unsigned char>(raw);
        if (std::isalnum(c) || c == '.' || c == '_' || c == '-' || c == '/') {
            text += static_cast<char>(c);
        } else {
            text += '%';
            text += kHex[c >> 4];
            text += kHex[c & 15];
        }
    }
    return text.empty() ? std::string("%") : text;  // "%" alone: empty
}

std::optional<std::string> unescaped(const std::string& text) {
    if (text == "%")
        return std::string();
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const auto digit = [](char c) -> int {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        const int high = digit(text[i + 1]), low = digit(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

std::string optionalField(const std::optional<std::string>& value) {
    return value ? escaped(*value) : std::string("-");
}

// A folder of the owner's only: made with 0700, never a link, never
// writable by others.
std::variant<UniqueFd, std::string> openPrivateFolder(const std::string& path) {
    std::string built;
    UniqueFd dir(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::istringstream parts(path);
    for (std::string part; std::getline(parts, part, '/');) {
        if (part.empty())
            continue;
        built += "/" + part;
        if (::mkdirat(dir.get(), part.c_str(), 0700) != 0 && errno != EEXIST)
            return "The snapshot folder " + built + " could not be made: " + std::strerror(errno);
        UniqueFd next(
            ::openat(dir.get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid())
            return "The snapshot folder " + built + " could not be opened: " + std::strerror(errno);
        dir = std::move(next);
    }
    struct stat st {};
    if (::fstat(dir.get(), &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        return "The snapshot folder " + path + " is not the user's own, closed to others";
    }
    return dir;
}

struct Record {
    int depth = 0;
    std::string name;
    ItemIdentity identity;
    ItemState state;
};

std::optional<Record> parseRecord(const std::string& line) {
    std::istringstream fields(line);
    std::string tag, name, identity, access, inherited, born;
    Record record;
    unsigned mode = 0;
    int immutable = 0;
    size_t attributes = 0;
    if (!(fields >> tag >> record.depth >> name >> identity >> record.state.uid >>
          record.state.gid >> std::oct >> mode >> std::dec >> immutable >> access >> inherited >>
          born >> attributes) ||
        tag != "entry" || record.depth < 0 || attributes > 100000) {
        return std::nullopt;
    }
    const auto parsedName = unescaped(name);
    const auto parsedIdentity = gw::platform::parseIdentity(identity);
    if (!parsedName || !parsedIdentity)
        return std::nullopt;
    record.name = *parsedName;
    record.identity = *parsedIdentity;
    record.state.mode = mode & 07777;
    record.state.immutable = immutable != 0;
    if (access != "-") {
        record.state.accessAcl = unescaped(access);
        if (!record.state.accessAcl)
            return std::nullopt;
    }
    if (inherited != "-") {
        record.state.defaultAcl = unescaped(inherited);
        if (!record.state.defaultAcl)
            return std::nullopt;
    }
    if (born != "-") {
        long long seconds = 0;
        unsigned nanos = 0;
        if (std::sscanf(born.c_str(), "%lld.%u", &seconds, &nanos) != 2)
            return std::nullopt;
        record.state.born = std::pair(static_cast<int64_t>(seconds), nanos);
    }
    for (size_t i = 0; i < attributes; ++i) {
        std::string key, value;
        if (!(fields >> key >> value))
            return std::nullopt;
        auto k = unescaped(key);
        auto v = unescaped(value);
        if (!k || !v || k->rfind("user.", 0) != 0)
            return std::nullopt;
        record.state.userAttributes.emplace_back(std::move(*k), std::move(*v));
    }
    return record;
}

}  // namespace

bool isSnapshotName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= 200 &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) {
               return std::isalnum(c) || c == '.' || c == '_' || c == '-';
           });
}

std::variant<UniqueFd, std::string> openSnapshotFolder(bool privileged) {
    if (privileged)
        return openPrivateFolder(kPrivilegedFolder);
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.local/state";
    } else {
        return std::string("There is no folder to keep the snapshot in ($HOME is not set)");
    }
    return openPrivateFolder(base + "/grantwell/undo");
}

std::variant<SnapshotWriter, std::string> SnapshotWriter::create(int folder,
                                                                 const std::string& name) {
    if (!isSnapshotName(name))
        return "The snapshot name \"" + name + "\" is not letters, digits, \".\", \"_\" and \"-\"";
    UniqueFd fd(
        ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.valid())
        return "The snapshot \"" + name + "\" could not be made: " + std::strerror(errno);
    SnapshotWriter writer(std::move(fd));
    if (!writer.write(std::string(kHeader) + "\n"))
        return std::string("The snapshot could not be written");
    return writer;
}

bool SnapshotWriter::write(const std::string& text) {
    pending_ += text;
    return pending_.size() < (1u << 16) || flush();
}

bool SnapshotWriter::flush() {
    size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t got = ::write(fd_.get(), pending_.data() + done, pending_.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    pending_.clear();
    return true;
}

bool SnapshotWriter::add(int depth, const std::string& pathOrName, const Item& item,
                         const ItemState& state) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%o", state.mode);
    std::string line =
        "entry " + std::to_string(depth) + " " + escaped(pathOrName) + " " +
        gw::platform::identityText(item.identity()) + " " + std::to_string(state.uid) + " " +
        std::to_string(state.gid) + " " + mode + " " + (state.immutable ? "1" : "0") + " " +
        optionalField(state.accessAcl) + " " + optionalField(state.defaultAcl) + " " +
        (state.born ? std::to_string(state.born->first) + "." + std::to_string(state.born->second)
                    : std::string("-")) +
        " " + std::to_string(state.userAttributes.size());
    for (const auto& [key, value] : state.userAttributes)
        line += " " + escaped(key) + " " + escaped(value);
    return write(line + "\n");
}

bool SnapshotWriter::finish() {
    // The records reach the disk before the line that says they are whole.
    return flush() && ::fsync(fd_.get()) == 0 && write("end\n") && flush() &&
           ::fsync(fd_.get()) == 0;
}

void pruneSnapshots(int folder) {
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        return;
    }
    struct Kept {
        std::string name;
        time_t modified;
        off_t size;
    };
    std::vector<Kept> kept;
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st {};
        if (!isSnapshotName(name) ||
            ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode)) {
            continue;
        }
        if (now - st.st_mtime > 30L * 24 * 3600) {
            ::unlinkat(folder, name.c_str(), 0);
        } else {
            kept.push_back({name, st.st_mtime, st.st_size});
        }
    }
    ::closedir(dir);
    std::sort(kept.begin(), kept.end(),
              [](const Kept& a, const Kept& b) { return a.modified > b.modified; });
    off_t total = 0;
    for (size_t i = 0; i < kept.size(); ++i) {
        total += kept[i].size;
        if (i >= 20 || total > off_t(256) << 20)
            ::unlinkat(folder, kept[i].name.c_str(), 0);
    }
}

std::variant<RestoreCounts, std::string> restoreSnapshot(
    int folder, const std::string& name, const gw::platform::HelperServices& services,
    std::ostream& out) {
    if (!isSnapshotName(name))
        return "The snapshot name \"" + name + "\" is not letters, digits, \".\", \"_\" and \"-\"";
    UniqueFd fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return "There is no snapshot \"" + name + "\"";
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0)
        return "The snapshot \"" + name + "\" is not the user's own";
    std::string text;
    char buffer[65536];
    for (ssize_t got; (got = ::read(fd.get(), buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader)
        return "The snapshot \"" + name + "\" is not one Grantwell wrote";

    RestoreCounts counts;
    std::optional<Item> current;        // the folder entries at the next depth are in
    std::vector<ItemIdentity> folders;  // the folders from the top down to current
    std::vector<std::string> names;     // their names, to print paths
    int skipBelow = -1;                 // entries under a skipped folder can't be reached
    const auto pathAt = [&](const std::string& leaf) {
        std::string path;
        for (const auto& part : names)
            path += (path.empty() || path.back() == '/' ? "" : "/") + part;
        return path + (path.empty() || path.back() == '/' ? "" : "/") + leaf;
    };
    bool ended = false;
    while (std::getline(lines, line)) {
        if (line == "end") {
            ended = true;
            break;
        }
        const auto record = parseRecord(line);
        if (!record)
            return "The snapshot \"" + name + "\" is damaged";
        if (skipBelow >= 0 && record->depth > skipBelow) {
            ++counts.skipped;
            continue;
        }
        skipBelow = -1;
        std::optional<Item> opened;
        if (record->depth == 0) {
            folders.clear();
            names.clear();
            current.reset();
            auto item = services.files.open(record->name);
            if (item)
                opened = std::move(item.value());
        } else {
            // Climb to the folder this entry is in, checking each step.
            bool reached =
                current.has_value() && static_cast<size_t>(record->depth) <= folders.size();
            while (reached && folders.size() > static_cast<size_t>(record->depth)) {
                folders.pop_back();
                names.pop_back();
                auto parent = services.files.openParent(*current, folders.back());
                reached = parent.ok();
                if (reached)
                    current = std::move(parent.value());
            }
            if (!reached) {
                out << "Skipped: " << pathAt(record->name) << " (its folder moved)\n";
                current.reset();
                folders.clear();
                names.clear();
                ++counts.skipped;
                skipBelow = record->depth;
                continue;
            }
            auto item = services.files.openChild(*current, record->name);
            if (item)
                opened = std::move(item.value());
        }
        const std::string path = record->depth == 0 ? record->name : pathAt(record->name);
        // An inode number can be handed to a new file: the birth time says
        // whether this is still the one recorded.
        const bool same =
            opened && opened->identity() == record->identity &&
            (!record->state.born || gw::platform::birthTime(*opened) == record->state.born);
        if (!same) {
            out << "Skipped: " << path << " (it was replaced since the reset)\n";
            ++counts.skipped;
            skipBelow = record->depth;
            continue;
        }
        if (auto refused = refusal(*opened, services)) {
            out << "error: " << path << ": " << *refused << '\n';
            ++counts.failed;
            skipBelow = record->depth;
            continue;
        }
        if (const auto restored = gw::platform::restoreState(*opened, record->state);
            restored.failed()) {
            out << "error: " << path << ": " << restored.error().description << '\n';
            ++counts.failed;
        } else {
            ++counts.restored;
        }
        if (opened->kind() == gw::platform::FileKind::Directory) {
            folders.push_back(opened->identity());
            names.push_back(record->name);
            current = std::move(*opened);
        }
    }
    if (!ended)
        return "The snapshot \"" + name + "\" is incomplete: its reset did not finish recording";
    return counts;
}

}  // namespace vosker
