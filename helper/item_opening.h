#pragma once

#include <optional>
#include <string>
#include <variant>

#include "platform/helper_services.h"
#include "run_settings.h"

namespace vosker {

// The item a request names, opened once and checked before anything is
// changed: the inode the caller showed (when given), and, as root, neither
// a device node nor a file with other hard links, which an ordinary user can
// make point at another account's data. The text is the item's failure.
std::variant<gw::platform::Item, std::string> openItem(
    const ItemRequest& request, const gw::platform::HelperServices& services);

// The refusals alone, for an item opened some other way (an entry of a tree).
std::optional<std::string> refusal(const gw::platform::Item& item,
                                   const gw::platform::HelperServices& services);

}  // namespace vosker
