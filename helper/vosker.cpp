#include "vosker.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ostream>

#include "arguments.h"
#include "item_reset.h"
#include "tree_reset.h"

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

// "-deep": every tree in turn, one count for all of them. With "-progress",
// "progress DONE TOTAL" lines at most ten times a second; when the reader
// has gone (the line can't be written) the walk stops between two entries.
int resetTrees(const RunSettings& settings, const gw::platform::HelperServices& services,
               std::ostream& out) {
    uint64_t total = 0;
    if (settings.progress) {
        for (const auto& request : settings.pathList)
            total += countTree(request, services);
    }
    TreeCounts all;
    uint64_t before = 0;
    auto lastLine = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    const auto between = [&](uint64_t done) {
        if (!settings.progress)
            return true;
        if (done % 64 == 0 && services.readerGone && services.readerGone())
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastLine < std::chrono::milliseconds(100))
            return true;
        lastLine = now;
        out << "progress " << before + done << ' ' << total << '\n';
        out.flush();
        return out.good();
    };
    for (const auto& request : settings.pathList) {
        const TreeCounts counts = resetTree(request, settings, services, out, between);
        all.reset += counts.reset;
        all.failed += counts.failed;
        all.leftAlone += counts.leftAlone;
        before = all.reset + all.failed + all.leftAlone;
        if (counts.stopped) {
            all.stopped = true;
            break;
        }
    }
    if (settings.progress && !all.stopped)
        out << "progress " << before << ' ' << std::max(total, before) << '\n';
    out << treeSummary(all) << (all.stopped ? ", stopped before the end" : "") << '\n';
    return all.failed > 0 || all.stopped ? 1 : 0;
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
    if (command == "reset" && settings.nestedScan) {
        return resetTrees(settings, services, out);
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
