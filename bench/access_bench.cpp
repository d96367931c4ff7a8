// How long "why" takes for an item 20 folders deep, warm, against what a
// skilled user runs to learn the same: `namei -l` on the path and `getfacl`
// on every folder of it, in the same run.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/inspection/access_explanation.h"
#include "spawn.h"
#include "timing.h"

namespace {

using bench::Clock;
using bench::median;
using bench::secondsSince;

}  // namespace

int main() {
    char base[] = "/tmp/grantwell-access-bench-XXXXXX";
    if (!::mkdtemp(base))
        return 1;
    ::chmod(base, 0755);
    std::string path = base;
    std::vector<std::string> folders{"/"};
    for (const auto& part : std::vector<std::string>{"tmp"})
        folders.push_back("/" + part);
    folders.push_back(path);
    for (int depth = 0; depth < 20; ++depth) {
        path += "/level" + std::to_string(depth);
        ::mkdir(path.c_str(), depth == 7 ? 0750 : 0755);
        folders.push_back(path);
    }
    // An ACL on some folders, as real trees have.
    bench::runQuietly({"setfacl", "-m", "u:nobody:rx", folders[5]});
    bench::runQuietly({"setfacl", "-m", "g:nogroup:rx,m::rx", folders[12]});
    const std::string item = path + "/report.txt";
    if (FILE* f = std::fopen(item.c_str(), "w")) {
        std::fputs("data\n", f);
        std::fclose(f);
    }

    gw::platform::LinuxAccessFacts facts;
    const auto account = facts.account("nobody").value_or(facts.caller());
    // Warm the caches (dentries, account database, mount table).
    for (int i = 0; i < 200; ++i)
        gw::inspection::explainAccess(item, account, false, facts);
    std::vector<double> ours;
    for (int round = 0; round < 15; ++round) {
        const int runs = 400;
        const auto start = Clock::now();
        for (int i = 0; i < runs; ++i)
            gw::inspection::explainAccess(item, account, false, facts);
        ours.push_back(secondsSince(start) / runs);
    }

    std::vector<std::string> getfacl{"getfacl", "--absolute-names"};
    getfacl.insert(getfacl.end(), folders.begin(), folders.end());
    std::vector<double> tools;
    for (int round = 0; round < 15; ++round) {
        const auto start = Clock::now();
        bench::runQuietly({"namei", "-l", item});
        bench::runQuietly(getfacl);
        tools.push_back(secondsSince(start));
    }
    bench::runQuietly({"rm", "-rf", base});

    const double us = median(ours) * 1e6;
    const double toolsUs = median(tools) * 1e6;
    std::printf("why, 20 folders deep, warm: %.1f µs per item (target < 300 µs)\n", us);
    std::printf("namei -l + getfacl on %zu folders: %.0f µs\n", folders.size(), toolsUs);
    std::printf("ratio: %.0f times faster (target >= 20)\n", toolsUs / us);
    return 0;
}
