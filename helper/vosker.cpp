#include "vosker.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ostream>

#include "arguments.h"
#include "item_opening.h"
#include "item_reset.h"
#include "snapshot.h"
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
               std::ostream& out, const BeforeEntry& beforeEntry) {
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
        const TreeCounts counts = resetTree(request, settings, services, out, between, beforeEntry);
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

// "restore NAME": what a reset with "-snapshot NAME" recorded, put back.
int restore(const std::string& name, const gw::platform::HelperServices& services,
            std::ostream& out) {
    auto folder = openSnapshotFolder(services.privileged);
    if (auto* problem = std::get_if<std::string>(&folder))
        return exitWithError(out, *problem);
    auto restored =
        restoreSnapshot(std::get<gw::platform::UniqueFd>(folder).get(), name, services, out);
    if (auto* problem = std::get_if<std::string>(&restored))
        return exitWithError(out, *problem);
    const auto& counts = std::get<RestoreCounts>(restored);
    out << "Restored " << grouped(counts.restored) << (counts.restored == 1 ? " item" : " items");
    if (counts.skipped > 0)
        out << ", " << grouped(counts.skipped) << " skipped";
    if (counts.failed > 0)
        out << ", " << grouped(counts.failed) << " failed";
    out << '\n';
    return counts.failed > 0 ? 1 : 0;
}

// A reset that first records, entry by entry, what it is about to change.
// An entry whose state can't be recorded is not changed: it could not be
// put back.
std::optional<int> resetWithSnapshot(const std::string& command, const RunSettings& settings,
                                     const gw::platform::HelperServices& services,
                                     std::ostream& out) {
    if (command != "reset")
        return exitWithError(out, "-snapshot goes with the reset command only");
    if (!isSnapshotName(*settings.snapshotName))
        return exitWithError(out, "The snapshot name \"" + *settings.snapshotName +
                                      "\" is not letters, digits, \".\", \"_\" and \"-\"");
    // Without a place to keep it the reset still happens: it is what the
    // user asked for; only taking it back is not offered.
    auto folder = openSnapshotFolder(services.privileged);
    if (auto* problem = std::get_if<std::string>(&folder)) {
        out << "Not recorded for undo: " << *problem << '\n';
        return std::nullopt;
    }
    const int folderFd = std::get<gw::platform::UniqueFd>(folder).get();
    auto created = SnapshotWriter::create(folderFd, *settings.snapshotName);
    if (auto* problem = std::get_if<std::string>(&created))
        return exitWithError(out, *problem);
    SnapshotWriter& writer = std::get<SnapshotWriter>(created);
    const BeforeEntry record = [&](const gw::platform::Item& item, int depth,
                                   const std::string& pathOrName) -> std::optional<std::string> {
        const auto state = gw::platform::captureState(item);
        if (!state)
            return "Its state could not be recorded for undo: " + state.error().description;
        if (!writer.add(depth, pathOrName, item, *state))
            return std::string("The snapshot could not be written");
        return std::nullopt;
    };
    int status = 0;
    if (settings.nestedScan) {
        status = resetTrees(settings, services, out, record);
    } else {
        for (const auto& request : settings.pathList) {
            auto opened = openItem(request, services);
            if (auto* refused = std::get_if<std::string>(&opened)) {
                status = exitWithError(out, *refused);
                break;
            }
            const auto& item = std::get<gw::platform::Item>(opened);
            if (auto refused = record(item, 0, request.path)) {
                status = exitWithError(out, *refused);
                break;
            }
            const ResetOutcome outcome =
                resetOpenedItem(item, settings, services, out, ModeJudgement::byPath);
            if (outcome.status != 0) {
                status = exitWithError(out, outcome.message);
                break;
            }
        }
    }
    if (!writer.finish())
        status = exitWithError(out, "The snapshot could not be written");
    pruneSnapshots(folderFd);
    return status;
}

}  // namespace

int run(const std::vector<std::string>& args, const gw::platform::HelperServices& services,
        std::ostream& out) {
    if (args.size() < 3) {
        return exitWithError(out, "Not enough arguments.");
    }
    if (lowered(args[1]) == "restore") {
        if (args.size() != 3)
            return exitWithError(out, "The restore command takes one snapshot name");
        return restore(args[2], services, out);
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
    if (settings.snapshotName) {
        if (const auto status = resetWithSnapshot(command, settings, services, out))
            return *status;
    }
    if (command == "reset" && settings.nestedScan) {
        return resetTrees(settings, services, out, nullptr);
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
