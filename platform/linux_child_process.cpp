#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "child_process.h"
#include "unique_fd.h"

extern char** environ;

namespace gw::platform {

namespace {

void drain(UniqueFd& out, UniqueFd& err, ChildOutcome& outcome,
           const std::function<bool(std::string_view)>& outputLine) {
    std::array<pollfd, 2> fds{{{out.get(), POLLIN, 0}, {err.get(), POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&outcome.output, &outcome.errors};
    int open = 2;
    size_t told = 0;  // output up to here has been told line by line
    while (open > 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buf[4096];
            const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
            if (got > 0) {
                sinks[i]->append(buf, static_cast<size_t>(got));
                bool listening = true;
                for (size_t end; i == 0 && outputLine && listening &&
                                 (end = outcome.output.find('\n', told)) != std::string::npos;
                     told = end + 1) {
                    listening =
                        outputLine(std::string_view(outcome.output).substr(told, end - told));
                }
                if (!listening) {
                    out.reset();
                    fds[i].fd = -1;
                    --open;
                }
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

ChildOutcome runChild(const std::vector<std::string>& argv, const ChildOptions& options) {
    ChildOutcome outcome;
    if (argv.empty()) {
        outcome.startError = SysError::fromErrno(EINVAL);
        return outcome;
    }
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        outcome.startError = SysError::fromErrno(errno);
        return outcome;
    }
    UniqueFd outRead(outPipe[0]), outWrite(outPipe[1]);
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        outcome.startError = SysError::fromErrno(errno);
        return outcome;
    }
    UniqueFd errRead(errPipe[0]), errWrite(errPipe[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
    posix_spawn_file_actions_adddup2(&actions,
                                     options.mergeOutput ? outWrite.get() : errWrite.get(), 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.background) {
        // Moving to batch scheduling needs no privilege.
        sched_param parameters{};
        posix_spawnattr_setschedpolicy(&attributes, SCHED_BATCH);
        posix_spawnattr_setschedparam(&attributes, &parameters);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSCHEDULER);
    }
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    outWrite.reset();
    errWrite.reset();
    if (rc != 0) {
        outcome.startError = SysError::fromErrno(rc);
        return outcome;
    }
    drain(outRead, errRead, outcome, options.outputLine);
    int wstatus = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &wstatus, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == pid && WIFEXITED(wstatus)) {
        outcome.exitStatus = WEXITSTATUS(wstatus);
    }
    return outcome;
}

}  // namespace gw::platform
