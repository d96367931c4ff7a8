#pragma once

#include <string>
#include <vector>

namespace gw::test {

struct ProcessResult {
    int status = -1;     // exit status, or -1 when it did not exit normally
    std::string output;  // standard output
    std::string errors;  // standard error
};

// Runs argv[0] (looked up on PATH) with byte-exact arguments and collects its
// output; arguments that are not UTF-8 stay as they are.
ProcessResult runProcess(const std::vector<std::string>& argv);

// The same program run as the unprivileged account 65534, without groups.
std::vector<std::string> asNobody(std::vector<std::string> argv);

// Runs one test function of this test program again, as the unprivileged
// account, for the cases where the refusal of an ordinary user matters.
ProcessResult rerunAsNobody(const char* testFunction);

}  // namespace gw::test
