#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sys_error.h"

namespace gw::platform {

// Facts about the machine, read from the kernel's files. `root` is "/"
// except in tests, which point it at a folder laid out like /sys and /proc.
class SystemFacts {
  public:
    explicit SystemFacts(std::string root = "/") : root_(std::move(root)) {}

    // The maker's name for the machine (DMI product name, or the device
    // tree's model); an error when the firmware says nothing.
    Result<std::string> productName() const;
    // The machine's model identifier (DMI vendor and board), "Failed with
    // Error: -1" when there is none.
    std::string modelIdentifier() const;
    // The processor's brand string from /proc/cpuinfo.
    Result<std::string> cpuBrand() const;
    // The fastest the first processor runs, in kHz (cpufreq).
    Result<int64_t> cpuMaxFrequencyKHz() const;
    // The first processor's clock as /proc/cpuinfo gives it ("cpu MHz"),
    // where cpufreq says nothing (virtual machines).
    Result<double> cpuMHz() const;
    // The ARM architected timer's frequency in Hz, where the device tree
    // gives it.
    Result<int64_t> timerFrequencyHz() const;
    int64_t physicalMemoryBytes() const;
    // Seconds since boot; none when /proc/uptime can't be read.
    std::optional<double> uptimeSeconds() const;

  private:
    Result<std::string> readText(const std::string& relative) const;
    std::string root_;
};

}  // namespace gw::platform
