#include "arguments.h"

#include <ostream>

#include "platform/path_text.h"

namespace vosker {
namespace {

enum class PathCheck { Accepted, Skipped, VolumeRoot };

PathCheck examinePath(const std::string& arg, bool verbose, gw::platform::ItemFiles& files,
                      std::ostream& out) {
    const auto reachable = files.checkReachable(arg);
    if (!reachable) {
        if (verbose) {
            out << "Error: " << reachable.error().description << ": " << arg << '\n';
        }
        return PathCheck::Skipped;
    }
    if (!*reachable) {
        if (verbose) {
            out << "Failed to reach the path: " << arg << '\n';
        }
        return PathCheck::Skipped;
    }
    const auto volume = files.isVolumeRoot(arg);
    if (!volume) {
        if (verbose) {
            out << "Error: " << volume.error().description << ": " << arg << '\n';
        }
        return PathCheck::Skipped;
    }
    return *volume ? PathCheck::VolumeRoot : PathCheck::Accepted;
}

}  // namespace

ParseOutcome parseArguments(const std::vector<std::string>& args, RunSettings settings,
                            gw::platform::ItemFiles& files, std::ostream& out) {
    ParseOutcome outcome;
    // "-identity" belongs to the path argument that follows it, whatever
    // becomes of that path.
    std::optional<gw::platform::ItemIdentity> pendingIdentity;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-v") {
            settings.verbose = true;
        } else if (arg == "-deep") {
            settings.nestedScan = true;
        } else if (arg == "-progress") {
            settings.progress = true;
        } else if (arg == "-snapshot") {
            if (i + 1 >= args.size()) {
                outcome.fatal = "Not enough arguments.";
                break;
            }
            settings.snapshotName = args[++i];  // the option's own value, never a path
        } else if (arg == "-username") {
            if (i + 1 >= args.size()) {
                outcome.fatal = "Not enough arguments.";
                break;
            }
            // The value is not skipped: it is examined next like any argument.
            settings.ownerName = args[i + 1];
            settings.ownerGiven = true;
        } else if (arg == "-identity") {
            const auto identity =
                i + 1 < args.size() ? gw::platform::parseIdentity(args[i + 1]) : std::nullopt;
            if (!identity) {
                outcome.fatal = i + 1 < args.size()
                                    ? "The identity \"" + args[i + 1] + "\" is not DEVICE:INODE"
                                    : std::string("Not enough arguments.");
                break;
            }
            pendingIdentity = identity;
            ++i;  // the value is the option's own, never a path or a name
        } else if (arg == "-preserveAttributes") {
            settings.preserveAttributes = true;
        } else if (arg == "-preserveACLs") {
            settings.preserveACLs = true;
        } else if (!arg.empty() && arg.front() == '/') {
            const PathCheck check = examinePath(arg, settings.verbose, files, out);
            if (check == PathCheck::VolumeRoot) {
                outcome.fatal = "Grantwell will NOT reset the volume, \"" +
                                gw::platform::lastPathComponent(arg) + "\"";
                break;
            }
            if (check == PathCheck::Accepted) {
                settings.pathList.push_back(ItemRequest{arg, pendingIdentity});
            }
            pendingIdentity.reset();
        } else if (arg == settings.ownerName) {
            // The value of "-username" (or the login name) passes silently.
        } else {
            out << "Unknown argument \"" << arg << "\"\n";
        }
    }
    outcome.settings = std::move(settings);
    return outcome;
}

}  // namespace vosker
