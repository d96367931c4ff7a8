#include <csignal>
#include <exception>
#include <iostream>

#include "helper/vosker.h"

int main(int argc, char** argv) {
    // A reader that goes away must not cut a reset short halfway.
    std::signal(SIGPIPE, SIG_IGN);
    int status = 1;
    try {
        const std::vector<std::string> args(argv, argv + argc);
        gw::platform::LinuxHelperServices system;
        status = vosker::run(args, system.services(), std::cout);
    } catch (const std::exception& e) {
        std::cout << "error: " << e.what() << '\n';
        status = 1;
    }
    std::cout.flush();
    return status;
}
