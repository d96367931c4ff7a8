#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/helper_services.h"

namespace vosker {

// The whole run: arguments in, lines out, exit status back (0 or 1, never
// anything else: the administrator prompt gives 126 and 127 their meaning).
int run(const std::vector<std::string>& args, const gw::platform::HelperServices& services,
        std::ostream& out);

}  // namespace vosker
