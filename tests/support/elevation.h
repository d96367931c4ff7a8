#pragma once

#include <string>

#include <QTemporaryDir>

namespace gw::test {

// A stand-in for pkexec, installed as the elevation program while it lives.
// It is given "/bin/sh -c COMMAND" as pkexec would be.
class SubstituteElevation {
  public:
    enum class Behaviour {
        Run,      // runs the command, as an authorized pkexec does, with
                  // GRANTWELL_TEST_ELEVATED=1 so test helpers can tell
        Dismiss,  // the dialog was dismissed: 126
        Refuse,   // not authorized: 127 and pkexec's message
        Fail,     // authorized, but the command fails: 1 and its message
    };
    explicit SubstituteElevation(Behaviour behaviour);
    ~SubstituteElevation();

    // The commands the shell was given, in order, each as received.
    std::vector<std::string> receivedCommands() const;

  private:
    QTemporaryDir dir_;
    std::string log_;
};

}  // namespace gw::test
