#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys_error.h"

namespace gw::platform {

struct ChildOutcome {
    std::optional<SysError> startError;  // the program could not be started
    std::optional<int> exitStatus;       // none when it ended by a signal
    std::string output;                  // standard output
    std::string errors;                  // standard error
};

struct ChildOptions {
    // Standard error joins standard output in one stream, in the order written.
    bool mergeOutput = false;
    // Batch scheduling, so that long work yields to the desktop.
    bool background = false;
    // Told each whole line of standard output as it arrives, on the thread
    // that waits (the lines stay in `output` too). Answering false stops the
    // reading: the pipe is closed, so the child learns at its next write, or
    // when it asks, that nobody listens any more.
    std::function<bool(std::string_view line)> outputLine = nullptr;
};

// Runs argv[0] (looked up on PATH) with byte-exact arguments, standard input
// from /dev/null, and waits for it while collecting its output. Arguments
// that are not UTF-8 reach the program as they are.
ChildOutcome runChild(const std::vector<std::string>& argv, const ChildOptions& options = {});

}  // namespace gw::platform
