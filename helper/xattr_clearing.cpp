#include "xattr_clearing.h"

#include <ostream>

namespace vosker {

std::optional<std::string> clearXattrs(const gw::platform::Item& item,
                                       gw::platform::XattrView& xattrs, bool verbose,
                                       std::ostream& out) {
    const int64_t length = xattrs.nameListLength(item);
    if (length <= 0) {
        if (verbose) {
            out << "clearXattrs(on:) couldn't find any xattrs, code: " << length << '\n';
        }
        return std::nullopt;
    }
    // Names are bytes on Linux and are removed as such; a name that is not
    // UTF-8 is still an attribute the reset promised to remove.
    const auto names = xattrs.names(item);
    const int64_t secondLength = names ? gw::platform::XattrView::nameListLength(*names) : -1;
    if (!names || secondLength != length) {
        if (verbose) {
            out << "Failed to get Xattr list, code:" << secondLength << '\n';
        }
        return std::nullopt;
    }
    if (names->empty()) {
        if (verbose) {
            out << "No xattrs to remove\n";
        }
        return std::nullopt;
    }
    size_t removed = 0;
    for (const auto& name : *names) {
        if (xattrs.remove(item, name).ok()) {
            ++removed;
        }
    }
    if (removed == names->size()) {
        if (verbose) {
            out << "Removed " << removed << " xattrs\n";
        }
        return std::nullopt;
    }
    if (removed == 0) {
        return std::string("Unable to remove all the xattrs");
    }
    return "Unable to remove " + std::to_string(names->size() - removed) + " xattrs";
}

}  // namespace vosker
