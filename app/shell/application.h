#pragma once

#include <string>
#include <vector>

namespace gw::shell {

struct StartOptions {
    std::vector<std::string> items;  // the first one is shown
    bool quitWhenShown =
        false;  // start, show the window (and item), quit: for timing and smoke tests
};

// The desktop application: settings, recent items, the one controller, the
// update checker, the window. Answers the exit status.
int runApplication(int& argc, char** argv, const StartOptions& options);

}  // namespace gw::shell
