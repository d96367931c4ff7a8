// How long a reset takes with Vosker, and with the standard tools a Linux
// user would otherwise chain, on the same prepared files.
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "spawn.h"
#include "timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::median;
using bench::secondsSince;

// A file in the state a reset undoes: odd mode, one attribute, one ACL entry.
void prepare(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
        close(fd);
    }
    setxattr(path.c_str(), "user.com.apple.quarantine", "0081;x;y;", 9, 0);
    acl_t acl = acl_from_text("u::rw-,g::r--,u:65534:rw-,m::rw-,o::---");
    acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl);
    acl_free(acl);
}

std::vector<std::string> prepareMany(const std::string& dir, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(dir + "/file-" + std::to_string(i));
        prepare(paths.back());
    }
    return paths;
}

}  // namespace

int main() {
    char templ[] = "/tmp/vosker-bench-XXXXXX";
    const char* made = mkdtemp(templ);
    if (!made) {
        perror("mkdtemp");
        return 1;
    }
    const std::string dir = made;
    const std::string vosker = VOSKER_PATH;
    constexpr int kSingleRuns = 200;
    constexpr int kItems = 1000;

    // (a) one run, one file, start to exit: median of many.
    const std::string single = dir + "/single";
    std::vector<double> singles;
    for (int i = 0; i < kSingleRuns; ++i) {
        prepare(single);
        const auto start = Clock::now();
        if (bench::runQuietly({vosker, "reset", single}) != 0) {
            std::fprintf(stderr, "Vosker failed on %s\n", single.c_str());
            return 1;
        }
        singles.push_back(secondsSince(start));
    }
    std::sort(singles.begin(), singles.end());
    const double singleMedian = singles[singles.size() / 2];

    // (b) one run, 1,000 files.
    std::vector<std::string> argv{vosker, "reset"};
    const auto paths = prepareMany(dir + "", kItems);
    argv.insert(argv.end(), paths.begin(), paths.end());
    auto start = Clock::now();
    if (bench::runQuietly(argv) != 0) {
        std::fprintf(stderr, "Vosker failed on the batch\n");
        return 1;
    }
    const double batch = secondsSince(start);

    // (c) the same resets with one standard tool per step and file.
    prepareMany(dir, kItems);
    const std::string owner = std::to_string(geteuid()) + ":" + std::to_string(getegid());
    start = Clock::now();
    for (const auto& path : paths) {
        bench::runQuietly({"chattr", "-i", path});
        bench::runQuietly({"setfattr", "-x", "user.com.apple.quarantine", path});
        bench::runQuietly({"chown", owner, path});
        bench::runQuietly({"chmod", "644", path});
        bench::runQuietly({"setfacl", "-b", path});
    }
    const double tools = secondsSince(start);

    std::printf("(a) one Vosker run, one file:        %8.3f ms (median of %d)\n",
                singleMedian * 1e3, kSingleRuns);
    std::printf("(b) one Vosker run, %d files:      %8.1f us per item (%.1f ms in all)\n", kItems,
                batch / kItems * 1e6, batch * 1e3);
    std::printf("(c) chattr+setfattr+chown+chmod+setfacl: %8.1f us per item (%.1f ms in all)\n",
                tools / kItems * 1e6, tools * 1e3);
    std::printf("(c)/(b): %.1f\n", tools / batch);
    bench::runQuietly({"rm", "-rf", dir});
    return 0;
}
