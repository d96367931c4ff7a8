#include "content_types.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "path_text.h"

namespace gw::platform {
namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

ContentType classifyContentType(std::string_view path, FileKind kind, unsigned mode) {
    if (kind == FileKind::Directory) {
        return ContentType::Folder;
    }
    if (kind == FileKind::SymbolicLink) {
        return ContentType::SymbolicLink;
    }
    const std::string extension = lowered(pathExtension(path));
    static constexpr std::array<std::string_view, 9> kShell = {
        "sh", "bash", "zsh", "ksh", "csh", "tcsh", "command", "pl", "rb"};
    if (std::find(kShell.begin(), kShell.end(), extension) != kShell.end()) {
        return ContentType::ShellScript;
    }
    if (extension == "py") {
        return ContentType::PythonScript;
    }
    if (extension == "applescript" || extension == "scpt") {
        return ContentType::AppleScript;
    }
    if (extension.empty() && kind == FileKind::Regular && (mode & 0111) != 0) {
        return ContentType::UnixExecutable;
    }
    return ContentType::Data;
}

bool isExecutableContentType(ContentType type) {
    return type != ContentType::Data && type != ContentType::SymbolicLink;
}

bool isExecutableMagic(std::span<const unsigned char> firstBytes) {
    if (firstBytes.size() != 4) {
        return false;
    }
    static constexpr std::array<std::array<unsigned char, 4>, 9> kMagic = {{
        {0xCE, 0xFA, 0xED, 0xFE},
        {0xCF, 0xFA, 0xED, 0xFE},
        {0xFE, 0xED, 0xFA, 0xCE},
        {0xFE, 0xED, 0xFA, 0xCF},
        {0xBE, 0xBA, 0xFE, 0xCA},
        {0xBF, 0xBA, 0xFE, 0xCA},
        {0xCA, 0xFE, 0xBA, 0xBE},
        {0xCA, 0xFE, 0xBA, 0xBF},
        {0x7F, 0x45, 0x4C, 0x46},  // ELF
    }};
    return std::any_of(kMagic.begin(), kMagic.end(), [&](const auto& magic) {
        return std::equal(magic.begin(), magic.end(), firstBytes.begin());
    });
}

}  // namespace gw::platform
