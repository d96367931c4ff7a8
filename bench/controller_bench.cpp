// The controller's own cost: loading an item (record plus monitor) against
// building the record alone, and a whole reset round trip through the
// controller against running Vosker directly.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "app/controller/reset_controller.h"
#include "basalt/diagnostics.h"
#include "platform/desktop/linux_inspection_platform.h"
#include "platform/item_changes.h"
#include "spawn.h"
#include "timing.h"

using namespace Qt::StringLiterals;

namespace {

using bench::Clock;
using bench::median;
using bench::secondsSince;

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

class NoPanels final : public gw::platform::FilePanels {
  public:
    void chooseItem(QPointer<QObject>, gw::platform::PanelChoice) override {}
    void chooseSaveLocation(QPointer<QObject>, const gw::platform::SavePanelRequest&,
                            gw::platform::PanelChoice) override {}
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::ostringstream discarded;  // the monitor's and the engine's log lines
    basalt::setDiagnosticsStream(discarded);

    QTemporaryDir dir;
    QSettings settings(dir.filePath(u"settings.ini"_s), QSettings::IniFormat);
    gw::platform::LinuxInspectionPlatform inspection;
    gw::platform::LinuxItemChanges changes;
    NoPanels panels;
    gw::controller::ResetController controller({.inspection = inspection,
                                                .changes = changes,
                                                .panels = panels,
                                                .settings = settings,
                                                .applicationIcon = QIcon(),
                                                .applicationName = u"Grantwell"_s,
                                                .helperPath = VOSKER_PATH,
                                                .copyProgram = "cp",
                                                .loginName = inspection.loginName(),
                                                .iconForName = {}});

    constexpr int kItems = 1000;
    std::vector<std::string> paths;
    for (int i = 0; i < kItems; ++i) {
        paths.push_back(dir.filePath(u"item %1.txt"_s.arg(i)).toStdString());
        ::close(::open(paths.back().c_str(), O_WRONLY | O_CREAT, 0600));
    }

    // Warm the MIME database and the account caches first.
    controller.loadFile(paths.front());
    (void)gw::inspection::FileInfo(paths.front(), inspection);

    auto start = Clock::now();
    for (const auto& path : paths) {
        (void)gw::inspection::FileInfo(path, inspection);
    }
    const double recordOnly = microsecondsSince(start) / kItems;
    start = Clock::now();
    for (const auto& path : paths) {
        controller.loadFile(path);
    }
    const double load = microsecondsSince(start) / kItems;
    QCoreApplication::processEvents();
    std::printf("load, record only      %8.1f us/item\n", recordOnly);
    std::printf("load, record + monitor %8.1f us/item  (%.2fx)\n", load, load / recordOnly);

    constexpr int kResets = 30;
    std::vector<double> direct, throughController;
    const std::string& item = paths.back();
    for (int i = 0; i < kResets; ++i) {
        ::chmod(item.c_str(), 0600);
        start = Clock::now();
        bench::runQuietly(
            {VOSKER_PATH, "reset", "-username", inspection.loginName().toStdString(), item});
        direct.push_back(microsecondsSince(start));

        ::chmod(item.c_str(), 0600);
        controller.progressDonePressed();
        start = Clock::now();
        controller.resetPermissions();
        while (controller.progressState() == gw::controller::controllerProgressState::working) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        throughController.push_back(microsecondsSince(start));
    }
    const double directMedian = median(direct) / 1000.0;
    const double controllerMedian = median(throughController) / 1000.0;
    std::printf("reset, Vosker directly %8.2f ms (median of %d)\n", directMedian, kResets);
    std::printf("reset, via controller  %8.2f ms (median of %d, %.2fx)\n", controllerMedian,
                kResets, controllerMedian / directMedian);
    return 0;
}
