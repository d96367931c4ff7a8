// Start to first window shown, with one file loaded, and the memory the
// process holds by then: `grantwell --quit-when-shown FILE` on the offscreen
// platform, warm (the first runs are discarded).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "spawn.h"

int main() {
    char templ[] = "/tmp/startup-bench-XXXXXX";
    const std::string dir = ::mkdtemp(templ);
    const std::string file = dir + "/report.txt";
    std::ofstream(file) << "hello\n";
    // The bench's recent items go to its own folder, not the user's.
    ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    constexpr int kWarmup = 3, kRuns = 15;
    std::vector<double> times;
    long maxResidentKb = 0;
    for (int i = 0; i < kWarmup + kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = bench::spawnQuietly({GRANTWELL_PATH, "--quit-when-shown", file});
        int status = 0;
        rusage usage{};
        if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "grantwell did not start and quit cleanly\n");
            return 1;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (i >= kWarmup) {
            times.push_back(ms);
            maxResidentKb = std::max(maxResidentKb, usage.ru_maxrss);
        }
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "start to window shown, one file loaded: %.0f ms median, %.0f ms worst (%d warm runs)\n",
        times[times.size() / 2], times.back(), kRuns);
    std::printf("resident memory at that point: %.1f MB (peak)\n",
                static_cast<double>(maxResidentKb) / 1024.0);
    return 0;
}
