#pragma once

#include <string>
#include <vector>

namespace vosker {

// What the command line asked for; written while parsing, read-only after.
struct RunSettings {
    bool verbose = false;
    bool nestedScan = false;
    std::string ownerName;  // the login name until "-username" says otherwise
    std::vector<std::string> pathList;
    bool preserveAttributes = false;
    bool preserveACLs = false;
};

}  // namespace vosker
