#include <sys/utsname.h>

#include <fstream>

#include "system_version.h"

namespace gw::platform {

namespace {

// os-release values may be quoted with single or double quotes.
std::string unquoted(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    std::string plain;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        }
        plain += value[i];
    }
    return plain;
}

std::string prettyName() {
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("PRETTY_NAME=", 0) == 0) {
                return unquoted(line.substr(12));
            }
        }
    }
    return {};
}

}  // namespace

std::string kernelRelease() {
    utsname names{};
    return ::uname(&names) == 0 ? std::string(names.release) : std::string();
}

std::string kernelVersionNumbers() {
    const std::string release = kernelRelease();
    const auto end = release.find_first_not_of("0123456789.");
    std::string numbers = release.substr(0, end);
    while (!numbers.empty() && numbers.back() == '.') {
        numbers.pop_back();
    }
    return numbers;
}

std::string machineName() {
    utsname names{};
    return ::uname(&names) == 0 ? std::string(names.machine) : std::string();
}

std::string systemVersionText() {
    const std::string name = prettyName();
    const std::string kernel = "kernel " + kernelRelease();
    return name.empty() ? "Linux, " + kernel : name + ", " + kernel;
}

}  // namespace gw::platform
