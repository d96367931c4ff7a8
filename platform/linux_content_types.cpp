#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "content_types.h"

namespace gw::platform {

Result<ContentType> LinuxContentTypes::contentType(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return SysError::fromErrno(errno);
    }
    return classifyContentType(path, fileKindFromMode(st.st_mode), st.st_mode & 07777);
}

std::string LinuxContentTypes::resolvingSymlinks(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

namespace {

// Up to count bytes from the start of an open file, whatever its offset.
Result<std::vector<unsigned char>> readFromStart(int fd, size_t count) {
    std::vector<unsigned char> bytes(count);
    size_t filled = 0;
    while (filled < count) {
        const ssize_t got =
            ::pread(fd, bytes.data() + filled, count - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return SysError::fromErrno(errno);
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace

Result<ContentType> ContentTypes::contentTypeOf(const Item&) {
    return SysError::fromErrno(ENOTSUP);
}

Result<std::vector<unsigned char>> ContentTypes::firstBytesOf(const Item&, size_t) {
    return SysError::fromErrno(ENOTSUP);
}

Result<ContentType> LinuxContentTypes::contentTypeOf(const Item& item) {
    struct stat st {};
    if (::fstatat(item.fd(), "", &st, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
        return SysError::fromErrno(errno);
    }
    return classifyContentType(item.path(), fileKindFromMode(st.st_mode), st.st_mode & 07777);
}

Result<std::vector<unsigned char>> LinuxContentTypes::firstBytesOf(const Item& item, size_t count) {
    if (item.kind() != FileKind::Regular) {
        return std::vector<unsigned char>{};
    }
    if (item.ioFd() < 0) {
        return SysError::fromErrno(EACCES);
    }
    return readFromStart(item.ioFd(), count);
}

Result<std::vector<unsigned char>> LinuxContentTypes::firstBytes(const std::string& path,
                                                                 size_t count) {
    // Look before opening for reading: opening a FIFO, socket or device could
    // block or have side effects.
    UniqueFd probe(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!probe.valid()) {
        return SysError::fromErrno(errno);
    }
    struct stat st {};
    if (::fstat(probe.get(), &st) != 0) {
        return SysError::fromErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return std::vector<unsigned char>{};
    }
    const UniqueFd fd = reopenForReading(probe.get());
    if (!fd.valid()) {
        return SysError::fromErrno(errno);
    }
    return readFromStart(fd.get(), count);
}

}  // namespace gw::platform
