#include "executable_detection.h"

#include <ostream>

#include "platform/path_text.h"

namespace vosker {
namespace {

// realpath resolves every link at once, so one step is the norm; the bound
// only stops a path that keeps changing into another link.
constexpr int kMaxLinkSteps = 40;

bool decide(const std::string& path, gw::platform::ContentTypes& types, std::ostream& out,
            int linkSteps) {
    using gw::platform::ContentType;
    const auto type = types.contentType(path);
    if (!type) {
        out << "shouldBeExecutable(file:) failed to get properties from " << path << '\n';
        return false;
    }
    if (*type == ContentType::SymbolicLink) {
        const std::string resolved = types.resolvingSymlinks(path);
        if (resolved == path || linkSteps >= kMaxLinkSteps) {
            return false;
        }
        return decide(resolved, types, out, linkSteps + 1);
    }
    if (gw::platform::isExecutableContentType(*type)) {
        return true;
    }
    if (!gw::platform::pathExtension(path).empty()) {
        return false;
    }
    const auto bytes = types.firstBytes(path, 4);
    if (!bytes) {
        out << "MachO: " << bytes.error().description << '\n';
        return false;
    }
    return gw::platform::isExecutableMagic(*bytes);
}

}  // namespace

bool shouldBeExecutable(const std::string& path, gw::platform::ContentTypes& types,
                        std::ostream& out) {
    return decide(path, types, out, 0);
}

bool shouldBeExecutable(const gw::platform::Item& item, gw::platform::ContentTypes& types,
                        std::ostream& out) {
    if (item.isLink()) {
        return false;
    }
    const auto type = types.contentTypeOf(item);
    if (!type) {
        out << "shouldBeExecutable(file:) failed to get properties from " << item.path() << '\n';
        return false;
    }
    if (gw::platform::isExecutableContentType(*type)) {
        return true;
    }
    if (!gw::platform::pathExtension(item.path()).empty()) {
        return false;
    }
    const auto bytes = types.firstBytesOf(item, 4);
    if (!bytes) {
        out << "MachO: " << bytes.error().description << '\n';
        return false;
    }
    return gw::platform::isExecutableMagic(*bytes);
}

}  // namespace vosker
