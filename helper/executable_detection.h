#pragma once

#include <iosfwd>
#include <string>

#include "platform/content_types.h"

namespace vosker {

// Whether an item keeps its execute bits (755) or loses them (644).
bool shouldBeExecutable(const std::string& path, gw::platform::ContentTypes& types,
                        std::ostream& out);

// The same for an entry met inside a tree, judged through its descriptors:
// its name's extension, its mode and its first bytes. A link keeps what it
// has (Linux links have no mode), and nothing is read through it.
bool shouldBeExecutable(const gw::platform::Item& item, gw::platform::ContentTypes& types,
                        std::ostream& out);

}  // namespace vosker
