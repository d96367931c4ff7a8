#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "item.h"
#include "sys_error.h"

namespace gw::platform {

// The few content types the helper tells apart, in the order they are
// decided.
enum class ContentType {
    Folder,
    SymbolicLink,
    ShellScript,  // Perl and Ruby scripts count as shell scripts
    PythonScript,
    AppleScript,
    UnixExecutable,
    Data,
};

// The built-in table: kind first, then the name's extension, then the
// execute bits of an extensionless regular file.
ContentType classifyContentType(std::string_view path, FileKind kind, unsigned mode);

// Folders, scripts and executables keep their execute bits.
bool isExecutableContentType(ContentType type);

// The first four bytes of a Mach-O (thin or universal, either byte order) or
// ELF file.
bool isExecutableMagic(std::span<const unsigned char> firstBytes);

class ContentTypes {
  public:
    virtual ~ContentTypes() = default;
    virtual Result<ContentType> contentType(const std::string& path) = 0;
    // Every link in the path resolved; the path itself when that fails.
    virtual std::string resolvingSymlinks(const std::string& path) = 0;
    // Up to count bytes from the start of a regular file; other kinds answer
    // no bytes at once and are never opened for reading.
    virtual Result<std::vector<unsigned char>> firstBytes(const std::string& path,
                                                          size_t count) = 0;
    // The same for an item already open (its path the name it has in its
    // folder), through its descriptors: what a walk of a tree uses, where
    // paths can be longer than the kernel takes. Scripted services that
    // don't walk answer ENOTSUP.
    virtual Result<ContentType> contentTypeOf(const Item& item);
    virtual Result<std::vector<unsigned char>> firstBytesOf(const Item& item, size_t count);
};

class LinuxContentTypes final : public ContentTypes {
  public:
    Result<ContentType> contentType(const std::string& path) override;
    std::string resolvingSymlinks(const std::string& path) override;
    Result<std::vector<unsigned char>> firstBytes(const std::string& path, size_t count) override;
    Result<ContentType> contentTypeOf(const Item& item) override;
    Result<std::vector<unsigned char>> firstBytesOf(const Item& item, size_t count) override;
};

}  // namespace gw::platform
