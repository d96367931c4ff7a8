#include "app/controller/elevated_helper.h"

#include <QCoreApplication>

#include "app/controller/background.h"
#include "basalt/diagnostics.h"
#include "basalt/shell_quoting.h"
#include "platform/path_text.h"

namespace gw::controller {

void runHelperAsAdministrator(QObject* context, const std::string& helper,
                              const std::vector<std::string>& arguments, const char* prompt,
                              std::function<void(const basalt::ScriptOutcome&)> done) {
    // Every word is quoted, the user name and options too.
    std::string command = basalt::shellEscapedPath(platform::withFoldersResolved(helper));
    for (const auto& argument : arguments) {
        command += ' ' + basalt::shellEscapedPath(argument);
    }
    const std::string source = "do shell script \"" + command + "\" with prompt \"" + prompt +
                               "\" with administrator privileges";
    const auto statement = basalt::parseDoShellScript(source);
    if (!statement) {
        basalt::diagnostics() << source << '\n';
        basalt::ScriptOutcome outcome;
        outcome.kind = basalt::ElevationResult::notStarted;
        outcome.errorMessage =
            QCoreApplication::translate("elevated_helper", "Failed to begin Authorization");
        done(outcome);
        return;
    }
    runInBackground(
        context, [statement = *statement]() { return basalt::runShellScript(statement); },
        std::move(done));
}

std::vector<std::string> itemArguments(const std::string& path,
                                       const std::optional<platform::ItemIdentity>& identity) {
    std::vector<std::string> arguments;
    if (identity) {
        arguments = {"-identity", platform::identityText(*identity)};
    }
    arguments.push_back(platform::withFoldersResolved(path));
    return arguments;
}

}  // namespace gw::controller
