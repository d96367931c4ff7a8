#pragma once

#include <string>

namespace gw::shell {

// Vosker's path: libexec/grantwell/Vosker beside the program's bin/, as
// installed and as built. The caller checks that it is there.
std::string helperLocation();

}  // namespace gw::shell
