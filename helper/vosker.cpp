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
    const std::string command = lowered(args[1]);
    if (command != "reset" && command != "owner" && command != "lock" && command != "unlock") {
        return exitWithError(out, "Unknown command: \"" + args[1] + "\"");
    }
    // As root the login name is root's: giving items to root by default is
    // never what was meant.
    if (command == "owner" && !settings.ownerGiven) {
        return exitWithError(out, "The owner command needs -username NAME");
    }
    for (const auto& request : settings.pathList) {
        const ResetOutcome outcome =
            command == "reset"   ? resetItem(request, settings, services, out)
            : command == "owner" ? changeOwner(request, settings, services, out)
                                 : changeLock(request, command == "lock", settings, services, out);
        if (outcome.status != 0) {
            return exitWithError(out, outcome.message);
        }
    }
    return 0;
}

}  // namespace vosker
