#include <unistd.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "app/shell/application.h"
#include "app/shell/report.h"
#include "basalt/bundle_info.h"
#include "basalt/diagnostics.h"
#include "platform/desktop/linux_inspection_platform.h"

namespace {

int usage() {
    std::cerr << "usage: grantwell [PATH]\n"
                 "       grantwell --report [--json] [--as USER] PATH...\n";
    return 2;
}

int report(int argc, char** argv, const std::vector<std::string>& args) {
    bool json = false;
    std::optional<std::string> as;
    std::vector<std::string> paths;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json" && paths.empty()) {
            json = true;
        } else if (args[i] == "--as" && paths.empty()) {
            if (++i == args.size())
                return usage();
            as = args[i];
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.empty()) {
        return usage();
    }
    QCoreApplication app(argc, argv);
    // Standard output carries the report; diagnostics go beside it.
    basalt::setDiagnosticsStream(std::cerr);
    gw::platform::LinuxInspectionPlatform platform;
    gw::platform::LinuxAccessFacts facts;
    gw::shell::ReportAccount why{facts, facts.caller(), true};
    if (as) {
        const auto account = facts.account(*as);
        if (!account) {
            std::cerr << "grantwell: there is no account \"" << *as << "\"\n";
            return 2;
        }
        why.account = *account;
        why.isCaller = account->uid == ::geteuid();
    }
    const int status = gw::shell::runReport(paths, json, platform, std::cout, &why);
    std::cout.flush();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Arguments stay bytes: a path need not be UTF-8.
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--report") {
        return report(argc, argv, args);
    }
    gw::shell::StartOptions options;
    bool optionsEnded = false;
    for (const auto& arg : args) {
        if (arg.empty()) {
            std::cerr << "grantwell: an empty path names no item\n";
            return 2;
        }
        if (optionsEnded || arg[0] != '-') {
            options.items.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--version") {
            std::cout << basalt::bundle::kName << ' ' << basalt::bundle::kShortVersion << " ("
                      << basalt::bundle::kBuildNumber << ")\n";
            return 0;
        } else if (arg == "--quit-when-shown") {
            options.quitWhenShown = true;
        } else {
            return usage();
        }
    }
    return gw::shell::runApplication(argc, argv, options);
}
