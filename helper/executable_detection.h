#pragma once

#include <iosfwd>
#include <string>

#include "platform/content_types.h"

namespace vosker {

// Whether an item keeps its execute bits (755) or loses them (644).
bool shouldBeExecutable(const std::string& path, gw::platform::ContentTypes& types,
                        std::ostream& out);

}  // namespace vosker
