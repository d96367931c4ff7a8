#include "item_opening.h"

namespace vosker {

std::variant<gw::platform::Item, std::string> openItem(
    const ItemRequest& request, const gw::platform::HelperServices& services) {
    auto opened = services.files.open(request.path);
    if (!opened) {
        // The item went away (or became unreachable) since it was checked.
        return "Permissions Error: " + opened.error().description + "\n";
    }
    if (request.identity && opened->identity() != *request.identity) {
        return std::string("The item changed since it was checked");
    }
    if (services.privileged) {
        if (opened->isDevice()) {
            return std::string(
                "The item is a device node: Grantwell does not change device nodes as "
                "administrator");
        }
        if (opened->kind() == gw::platform::FileKind::Regular && opened->linkCount() > 1) {
            return "The file has " + std::to_string(opened->linkCount()) +
                   " hard links: as administrator Grantwell changes only files with one";
        }
    }
    return std::move(opened.value());
}

}  // namespace vosker
