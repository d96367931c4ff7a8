#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "system_facts.h"

namespace gw::platform {

namespace {

std::string trimmed(std::string text) {
    const auto end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    const auto start = text.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : text.substr(start);
}

}  // namespace

Result<std::string> SystemFacts::readText(const std::string& relative) const {
    std::ifstream in(root_ + relative, std::ios::binary);
    if (!in) {
        return SysError::fromErrno(errno ? errno : ENOENT);
    }
    std::ostringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    // Device-tree strings end with a zero byte.
    text = text.substr(0, text.find('\0'));
    text = trimmed(text);
    if (text.empty()) {
        return SysError::withText("empty", ENODATA);
    }
    return text;
}

Result<std::string> SystemFacts::productName() const {
    for (const char* file : {"sys/class/dmi/id/product_name", "proc/device-tree/model"}) {
        auto text = readText(file);
        if (text && *text != "To Be Filled By O.E.M." && *text != "System Product Name") {
            return text;
        }
    }
    return SysError::withText("Failed to get platform", -43);
}

std::string SystemFacts::modelIdentifier() const {
    auto vendor = readText("sys/class/dmi/id/sys_vendor");
    auto board = readText("sys/class/dmi/id/board_name");
    if (vendor && board) {
        return *vendor + " " + *board;
    }
    if (board) {
        return *board;
    }
    if (auto compatible = readText("proc/device-tree/compatible")) {
        return *compatible;
    }
    return "Failed with Error: -1";
}

Result<std::string> SystemFacts::cpuBrand() const {
    std::ifstream in(root_ + "proc/cpuinfo");
    std::string line;
    std::string fallback;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const std::string key = trimmed(line.substr(0, colon));
        const std::string value = trimmed(line.substr(colon + 1));
        if (key == "model name" && !value.empty()) {
            return value;
        }
        if ((key == "Model" || key == "Hardware") && fallback.empty()) {
            fallback = value;
        }
    }
    if (!fallback.empty()) {
        return fallback;
    }
    return SysError::withText("no processor brand in /proc/cpuinfo", ENODATA);
}

Result<double> SystemFacts::cpuMHz() const {
    std::ifstream in(root_ + "proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon != std::string::npos && trimmed(line.substr(0, colon)) == "cpu MHz") {
            try {
                const double mhz = std::stod(trimmed(line.substr(colon + 1)));
                if (mhz > 0) {
                    return mhz;
                }
            } catch (...) {
            }
            break;
        }
    }
    return SysError::withText("no clock in /proc/cpuinfo", ENODATA);
}

Result<int64_t> SystemFacts::cpuMaxFrequencyKHz() const {
    auto text = readText("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    if (!text) {
        return text.error();
    }
    try {
        return static_cast<int64_t>(std::stoll(*text));
    } catch (...) {
        return SysError::withText("not a number", EINVAL);
    }
}

Result<int64_t> SystemFacts::timerFrequencyHz() const {
    std::ifstream in(root_ + "proc/device-tree/timer/clock-frequency", std::ios::binary);
    unsigned char bytes[4];
    if (!in.read(reinterpret_cast<char*>(bytes), 4)) {
        return SysError::withText("no timer frequency", ENODATA);
    }
    // A device-tree cell is one big-endian 32-bit number.
    return static_cast<int64_t>((uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
                                (uint32_t{bytes[2]} << 8) | uint32_t{bytes[3]});
}

int64_t SystemFacts::physicalMemoryBytes() const {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? static_cast<int64_t>(pages) * size : 0;
}

std::optional<double> SystemFacts::uptimeSeconds() const {
    std::ifstream in(root_ + "proc/uptime");
    double seconds = 0;
    if (in >> seconds) {
        return seconds;
    }
    return std::nullopt;
}

}  // namespace gw::platform
