#pragma once

#include <string>
#include <vector>

namespace gw::controller {

// The copy tool's command line for a copy that carries the ACL, the
// quarantine record and the other extended attributes exactly as the two
// reset options say: none of them by default, all of them with both off.
std::vector<std::string> copyToolArguments(const std::string& program, bool resetACLs,
                                           bool resetAttributes, const std::string& from,
                                           const std::string& to);
// Whether the quarantine record travels with the copy.
bool copyKeepsQuarantine(bool resetACLs);

}  // namespace gw::controller
