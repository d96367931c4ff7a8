#include "vosker.h"

#include <algorithm>
#include <cctype>
#include <ostream>

#include "arguments.h"
#include "item_reset.h"

namespace vosker {
namespace {

int exitWithError(std::ostream& out, const std::string& text) {
    out << "error: " << text << '\n';
    return 1;
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

int run(const std::vector<std::string>& args, const gw::platform::HelperServices& services,
        std::ostream& out) {
    if (args.size() < 3) {
        return exitWithError(out, "Not enough arguments.");
    }
    RunSettings initial;
    initial.ownerName = services.accounts.loginName();
    const ParseOutcome parsed = parseArguments(args, std::move(initial), services.files, out);
    if (parsed.fatal) {
        return exitWithError(out, *parsed.fatal);
    }
    const RunSettings& settings = parsed.settings;
    if (settings.pathList.empty()) {
        return exitWithError(out, "No files to process");
    }
    if (lowered(args[1]) != "reset") {
        return exitWithError(out, "Unknown command: \"" + args[1] + "\"");
    }
    for (const auto& path : settings.pathList) {
        const ResetOutcome outcome = resetItem(path, settings, services, out);
        if (outcome.status != 0) {
            return exitWithError(out, outcome.message);
        }
    }
    return 0;
}

}  // namespace vosker
