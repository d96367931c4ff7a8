#include "process_runner.h"

#include <unistd.h>

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

ProcessResult rerunAsNobody(const char* testFunction) {
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
    self.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return runProcess(asNobody({self, testFunction}));
}

}  // namespace gw::test
