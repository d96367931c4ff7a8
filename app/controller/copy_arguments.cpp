#include "app/controller/copy_arguments.h"

namespace gw::controller {

std::vector<std::string> copyToolArguments(const std::string& program, bool resetACLs,
                                           bool resetAttributes, const std::string& from,
                                           const std::string& to) {
    // -P: links are copied as links; -T: the destination is the copy's own
    // name, never a folder to copy into.
    std::vector<std::string> arguments{program, "-R", "-P", "-T"};
    // A plain copy carries no ACL and no attribute: each kept kind is asked
    // for. Permission bits come along with the ACL ("mode").
    std::string preserved = "timestamps";
    if (!resetACLs) {
        preserved += ",mode";
    }
    if (!resetAttributes) {
        preserved += ",xattr";
    }
    arguments.push_back("--preserve=" + preserved);
    arguments.emplace_back("--");
    arguments.push_back(from);
    arguments.push_back(to);
    return arguments;
}

bool copyKeepsQuarantine(bool resetACLs) {
    // The quarantine record goes with the ACL setting, whatever becomes of
    // the other attributes.
    return !resetACLs;
}

}  // namespace gw::controller
