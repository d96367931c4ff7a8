// How long building the record takes, warm, against the four tools a user
// would otherwise run, and the headless report start to exit.
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
#include <string>
#include <vector>

#include <QCoreApplication>

#include <sstream>

#include "app/inspection/file_info.h"
#include "basalt/diagnostics.h"
#include "platform/desktop/linux_inspection_platform.h"

namespace {

using bench::Clock;
using bench::median;
using bench::secondsSince;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::ostringstream discarded;  // the ACL lines each build prints
    basalt::setDiagnosticsStream(discarded);
    char templ[] = "/tmp/inspection-bench-XXXXXX";
    const std::string dir = mkdtemp(templ);
    const std::string plain = dir + "/plain.txt";
    const std::string rich = dir + "/rich.txt";
    const std::string folder = dir + "/folder";
    for (const auto& path : {plain, rich}) {
        close(open(path.c_str(), O_WRONLY | O_CREAT, 0644));
    }
    mkdir(folder.c_str(), 0755);
    acl_t acl = acl_from_text("u::rw-,g::r--,u:65534:rw-,m::rw-,o::r--");
    acl_set_file(rich.c_str(), ACL_TYPE_ACCESS, acl);
    acl_free(acl);
    setxattr(rich.c_str(), "user.com.apple.quarantine", "0081;x;y;", 9, 0);
    setxattr(rich.c_str(), "user.xdg.origin.url", "https://example.org/r", 21, 0);
    setxattr(rich.c_str(), "user.color", "red", 3, 0);

    gw::platform::LinuxInspectionPlatform platform;
    constexpr int kRecords = 2000;
    constexpr int kToolRuns = 100;
    std::printf("%-28s %14s %18s %8s\n", "item", "record (us)", "4 tools (us)", "ratio");
    for (const auto& [label, path] :
         {std::pair("plain file", plain), {"folder", folder}, {"file, ACL + 3 attributes", rich}}) {
        { gw::inspection::FileInfo warmUp(path, platform); }
        auto start = Clock::now();
        for (int i = 0; i < kRecords; ++i) {
            gw::inspection::FileInfo info(path, platform);
            discarded.str({});
        }
        const double record = secondsSince(start) / kRecords;
        start = Clock::now();
        for (int i = 0; i < kToolRuns; ++i) {
            bench::runQuietly({"stat", path});
            bench::runQuietly({"getfacl", path});
            bench::runQuietly({"getfattr", "-d", path});
            bench::runQuietly({"lsattr", "-d", path});
        }
        const double tools = secondsSince(start) / kToolRuns;
        std::printf("%-28s %14.1f %18.1f %8.0f\n", label, record * 1e6, tools * 1e6,
                    tools / record);
    }

    const std::string grantwell = GRANTWELL_PATH;
    std::vector<double> reports;
    auto start = Clock::now();
    bench::runQuietly({grantwell, "--report", "--json", rich});
    const double first = secondsSince(start);
    for (int i = 0; i < 50; ++i) {
        start = Clock::now();
        bench::runQuietly({grantwell, "--report", "--json", rich});
        reports.push_back(secondsSince(start));
    }
    std::printf("grantwell --report --json, one file: first run %.1f ms, median of 50 %.1f ms\n",
                first * 1e3, median(reports) * 1e3);
    bench::runQuietly({"rm", "-rf", dir});
    return 0;
}
