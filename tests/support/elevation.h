#pragma once

#include <string>
#include <vector>

#include <QTemporaryDir>

namespace gw::test {

// A stand-in for pkexec, installed as the elevation program while it lives.
// It is given the program's absolute path and its arguments, as pkexec is.
class SubstituteElevation {
  public:
    enum class Behaviour {
        Run,      // runs the command, as an authorized pkexec does, with
                  // GRANTWELL_TEST_ELEVATED=1 so test helpers can tell
        Dismiss,  // the dialog was dismissed: 126
        Refuse,   // not authorized: 127 and pkexec's message
        Fail,     // authorized, but the command fails: 1 and its message
        NoAgent,  // no authentication agent to ask: 127 and pkexec's message
    };
    explicit SubstituteElevation(Behaviour behaviour);
    ~SubstituteElevation();

    // The command lines it was given, in order, each word as received. A
    // word can't be empty here: the helper's arguments never are.
    std::vector<std::vector<std::string>> receivedCommands() const;

  private:
    QTemporaryDir dir_;
    std::string log_;
};

}  // namespace gw::test
