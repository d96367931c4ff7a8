#include "process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>

extern char** environ;

namespace gw::test {

ProcessResult runProcess(const std::vector<std::string>& argv) {
    ProcessResult result;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    std::array<pollfd, 2> fds{{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&result.output, &result.errors};
    int open = 2;
    while (rc == 0 && open > 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd >= 0 && fds[i].revents) {
                char buf[4096];
                const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
                if (got > 0) {
                    sinks[i]->append(buf, static_cast<size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    int wstatus = 0;
    if (rc == 0 && ::waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
    }
    return result;
}

std::vector<std::string> asNobody(std::vector<std::string> argv) {
    std::vector<std::string> wrapped{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

}  // namespace gw::test
