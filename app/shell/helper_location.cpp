#include "app/shell/helper_location.h"

#include <unistd.h>

#include "platform/path_text.h"

namespace gw::shell {

std::string helperLocation() {
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<size_t>(length) >= self.size()) {
        return {};
    }
    self.resize(static_cast<size_t>(length));
    return platform::parentPath(self) + "/" + GRANTWELL_HELPER_RELATIVE;
}

}  // namespace gw::shell
