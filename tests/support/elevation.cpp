#include "elevation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "basalt/desktop/authorization.h"

namespace gw::test {

SubstituteElevation::SubstituteElevation(Behaviour behaviour) {
    const std::string dir = dir_.path().toStdString();
    log_ = dir + "/commands";
    const std::string program = dir + "/elevate";
    std::ofstream script(program);
    // Each received word is kept NUL-terminated, so any byte survives; an
    // empty record ends each run.
    script << "#!/bin/sh\n"
           << "printf '%s\\0' \"$@\" '' >> '" << log_ << "'\n";
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
        case Behaviour::NoAgent:
            script << "echo 'Error executing command as another user: No authentication agent "
                      "found.' >&2\n"
                   << "exit 127\n";
            break;
        case Behaviour::Refuse:
            script << "echo 'Error executing command as another user: Not authorized' >&2\n"
                   << "exit 127\n";
            break;
    }
    script.close();
    ::chmod(program.c_str(), 0755);
    // The programs this test made are its account's, not root's.
    basalt::setElevationProgram(program, ::geteuid());
}

SubstituteElevation::~SubstituteElevation() {
    basalt::setElevationProgram("/usr/bin/pkexec");
}

std::vector<std::vector<std::string>> SubstituteElevation::receivedCommands() const {
    std::ifstream in(log_, std::ios::binary);
    std::vector<std::vector<std::string>> commands(1);
    std::string word;
    while (std::getline(in, word, '\0')) {
        if (word.empty()) {
            commands.emplace_back();
        } else {
            commands.back().push_back(word);
        }
    }
    commands.pop_back();
    return commands;
}

}  // namespace gw::test
