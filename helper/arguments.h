#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/item.h"
#include "run_settings.h"

namespace vosker {

struct ParseOutcome {
    RunSettings settings;
    // A fatal error met while parsing: the run ends with it at once.
    std::optional<std::string> fatal;
};

// Examines arguments 2 and on, in order, printing the per-argument lines.
// `settings` comes in with its login name already set.
ParseOutcome parseArguments(const std::vector<std::string>& args, RunSettings settings,
                            gw::platform::ItemFiles& files, std::ostream& out);

}  // namespace vosker
