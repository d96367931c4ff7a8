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
    if (auto refused = refusal(*opened, services)) {
        return std::move(*refused);
    }
    return std::move(opened.value());
}

std::optional<std::string> refusal(const gw::platform::Item& item,
                                   const gw::platform::HelperServices& services) {
    if (!services.privileged) {
        return std::nullopt;
    }
    if (item.isDevice()) {
        return std::string(
            "The item is a device node: Grantwell does not change device nodes as "
            "administrator");
    }
    if (item.kind() == gw::platform::FileKind::Regular && item.linkCount() > 1) {
        return "The file has " + std::to_string(item.linkCount()) +
               " hard links: as administrator Grantwell changes only files with one";
    }
    return std::nullopt;
}

}  // namespace vosker
