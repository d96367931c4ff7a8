#pragma once

#include <string>

namespace gw::platform {

// "PRETTY_NAME, kernel RELEASE" from /etc/os-release and uname; the kernel
// alone when the distribution doesn't say.
std::string systemVersionText();
// uname's machine, for example "x86_64" or "aarch64".
std::string machineName();
// uname's release, for example "6.1.0-18-amd64".
std::string kernelRelease();
// The release's leading version numbers, "6.1.0"; empty when it has none.
std::string kernelVersionNumbers();

}  // namespace gw::platform
