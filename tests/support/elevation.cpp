#include "elevation.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "basalt/desktop/authorization.h"

namespace gw::test {

SubstituteElevation::SubstituteElevation(Behaviour behaviour) {
    const std::string dir = dir_.path().toStdString();
    log_ = dir + "/commands";
    const std::string program = dir + "/elevate";
    std::ofstream script(program);
    // Each received command is kept NUL-terminated, so any byte survives.
    script << "#!/bin/sh\n"
           << "printf '%s\\0' \"$3\" >> '" << log_ << "'\n";
    switch (behaviour) {
        case Behaviour::Run:
            script << "export GRANTWELL_TEST_ELEVATED=1\nexec \"$@\"\n";
            break;
        case Behaviour::Fail:
            script << "echo 'error: Permissions Error: Operation not permitted' >&2\n"
                   << "exit 1\n";
            break;
        case Behaviour::Dismiss:
            script << "exit 126\n";
            break;
        case Behaviour::Refuse:
            script << "echo 'Error executing command as another user: Not authorized' >&2\n"
                   << "exit 127\n";
            break;
    }
    script.close();
    ::chmod(program.c_str(), 0755);
    basalt::setElevationProgram(program);
}

SubstituteElevation::~SubstituteElevation() {
    basalt::setElevationProgram("pkexec");
}

std::vector<std::string> SubstituteElevation::receivedCommands() const {
    std::ifstream in(log_, std::ios::binary);
    std::vector<std::string> commands;
    std::string command;
    while (std::getline(in, command, '\0')) {
        commands.push_back(command);
    }
    return commands;
}

}  // namespace gw::test
