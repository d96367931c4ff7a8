// The item monitor on real files with the event loop running.
#include <dirent.h>
#include <sys/stat.h>

#include <QTest>

#include "app/controller/file_monitor.h"
#include "platform/item_watch.h"
#include "support/process_runner.h"
#include "support/test_files.h"

using gw::controller::FileMonitor;
using gw::controller::FileSystemEvents;
namespace watch_event = gw::platform::watch_event;

namespace {

int openDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir)) {
            ++count;
        }
        ::closedir(dir);
    }
    return count;
}

// Lets the event loop deliver whatever the kernel has queued.
void settle() {
    QTest::qWait(100);
}

}  // namespace

class FileMonitorTest : public QObject {
    Q_OBJECT
    gw::test::Sandbox sandbox_;

    std::unique_ptr<FileMonitor> monitor(const std::string& path,
                                         std::vector<FileSystemEvents>& seen) {
        auto created =
            FileMonitor::create(path, watch_event::kAttributes,
                                [&seen](FileSystemEvents events) { seen.push_back(events); });
        return created ? std::move(created.value()) : nullptr;
    }

  private Q_SLOTS:
    void outsideChmodReachesTheCallback() {
        const std::string path = sandbox_.file("watched.txt", "x", 0644);
        std::vector<FileSystemEvents> seen;
        auto watched = monitor(path, seen);
        QVERIFY(watched);
        QCOMPARE(gw::test::runProcess({"chmod", "600", path}).status, 0);
        QTRY_COMPARE(seen.size(), 1U);
        QCOMPARE(seen.front(), watch_event::kAttributes);
        // Writing the content is not an attribute change.
        QCOMPARE(gw::test::runProcess({"sh", "-c", "echo more >> \"$1\"", "sh", path}).status, 0);
        settle();
        QCOMPARE(seen.size(), 1U);
    }

    void pausesNestAndDeliverOnceWhenBalanced() {
        const std::string path = sandbox_.file("paused.txt");
        std::vector<FileSystemEvents> seen;
        auto watched = monitor(path, seen);
        QVERIFY(watched);
        watched->pause();
        watched->pause();
        ::chmod(path.c_str(), 0640);
        ::chmod(path.c_str(), 0600);
        watched->resume();
        settle();
        QVERIFY(seen.empty());
        watched->resume();
        QTRY_COMPARE(seen.size(), 1U);
        settle();
        QCOMPARE(seen.size(), 1U);
        // An extra resume doesn't leave the monitor in a state where the next
        // pause no longer holds events back.
        watched->resume();
        watched->pause();
        ::chmod(path.c_str(), 0644);
        settle();
        QCOMPARE(seen.size(), 1U);
    }

    void discardingStopsDeliveryAndClosesDescriptors() {
        const std::string path = sandbox_.file("many.txt");
        std::vector<FileSystemEvents> seen;
        monitor(path, seen).reset();  // the process's one inotify instance exists from here on
        const int before = openDescriptors();
        for (int i = 0; i < 1000; ++i) {
            auto watched = monitor(path, seen);
            QVERIFY(watched);
            if (i % 2) {
                watched->pause();  // discarded while paused
            }
        }
        QCOMPARE(openDescriptors(), before);
        { auto watched = monitor(path, seen); }
        ::chmod(path.c_str(), 0640);
        settle();
        QVERIFY(seen.empty());
    }

    // Monitors on one item share the kernel's watch: discarding one leaves
    // the other listening.
    void twoMonitorsOnOneItem() {
        const std::string path = sandbox_.file("shared");
        std::vector<FileSystemEvents> first, second;
        auto a = monitor(path, first);
        auto b = monitor(path, second);
        QVERIFY(a && b);
        ::chmod(path.c_str(), 0640);
        QTRY_COMPARE(first.size(), 1U);
        QTRY_COMPARE(second.size(), 1U);
        a.reset();
        ::chmod(path.c_str(), 0600);
        QTRY_COMPARE(second.size(), 2U);
        QCOMPARE(first.size(), 1U);
    }

    // A monitor on a deleted item neither hears nor disturbs the monitors
    // made after it.
    void deletedItemEndsItsWatch() {
        const std::string path = sandbox_.file("doomed");
        std::vector<FileSystemEvents> old, fresh;
        auto doomed = monitor(path, old);
        QVERIFY(doomed);
        ::unlink(path.c_str());
        settle();
        const std::string other = sandbox_.file("fresh");
        auto current = monitor(other, fresh);
        ::chmod(other.c_str(), 0640);
        QTRY_COMPARE(fresh.size(), 1U);
        QVERIFY(old.size() <= 1U);  // at most the deletion's own attribute change
        doomed.reset();
        ::chmod(other.c_str(), 0600);
        QTRY_COMPARE(fresh.size(), 2U);
    }

    void itemsThatCantBeReadAreNotMonitored() {
        std::vector<FileSystemEvents> seen;
        const int before = openDescriptors();
        QVERIFY(!monitor(sandbox_.path("missing"), seen));
        QVERIFY(!monitor(sandbox_.fifo("pipe"), seen));  // never opened: it would wait for a writer
        QVERIFY(!monitor(sandbox_.link("link", "missing"), seen));
        QVERIFY(!monitor("/dev/null", seen));
        QCOMPARE(openDescriptors(), before);
    }

    void unreadableForAnOrdinaryUser() {
        if (gw::test::runningAsRoot()) {
            const auto run = gw::test::rerunAsNobody("unreadableForAnOrdinaryUser");
            QVERIFY2(run.status == 0, (run.output + run.errors).c_str());
            return;
        }
        gw::test::Sandbox own;
        std::vector<FileSystemEvents> seen;
        QVERIFY(!monitor(own.file("secret", "x", 0200), seen));
        QVERIFY(monitor(own.file("open", "x", 0600), seen));
    }
};

QTEST_GUILESS_MAIN(FileMonitorTest)
#include "tst_file_monitor.moc"
