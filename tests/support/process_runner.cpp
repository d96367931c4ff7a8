#include "process_runner.h"

#include "platform/child_process.h"

namespace gw::test {

ProcessResult runProcess(const std::vector<std::string>& argv) {
    auto outcome = platform::runChild(argv);
    return ProcessResult{outcome.exitStatus.value_or(-1), std::move(outcome.output),
                         std::move(outcome.errors)};
}

std::vector<std::string> asNobody(std::vector<std::string> argv) {
    std::vector<std::string> wrapped{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

}  // namespace gw::test
