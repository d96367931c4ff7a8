#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/item.h"
#include "platform/xattr_view.h"

namespace vosker {

// Removes every extended attribute of the item. Listing problems are only
// reported (verbose) and let the reset go on; refused removals are fatal for
// the whole run, and the returned text is the error to end it with.
std::optional<std::string> clearXattrs(const gw::platform::Item& item,
                                       gw::platform::XattrView& xattrs, bool verbose,
                                       std::ostream& out);

}  // namespace vosker
