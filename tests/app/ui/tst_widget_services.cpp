// The widget implementations of alerts and panels, offscreen.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/ui/widget_alerts.h"
#include "app/ui/widget_file_panels.h"
#include "support/test_files.h"

namespace {

template <class Dialog>
Dialog* openDialog(QWidget* window) {
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<Dialog*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return window ? window->findChild<Dialog*>() : nullptr;
}

}  // namespace

class WidgetServicesTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void alertIsASheetOnItsWindow() {
        QWidget window;
        window.show();
        gw::platform::AlertRequest request{u"Unable to toggle file lock"_qs, u"Operation not permitted"_qs,
                                           true, true, &window};
        gw::ui::WidgetAlertPresenter().present(request);
        auto* box = window.findChild<QMessageBox*>();
        QVERIFY(box);
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        QCOMPARE(box->text(), request.messageText);
        QCOMPARE(box->informativeText(), request.informativeText);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        box->accept();
    }

    void alertWithoutWindowIsApplicationModal() {
        Qt::WindowModality modality = Qt::NonModal;
        QString text;
        QTimer::singleShot(0, [&]() {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                modality = box->windowModality();
                text = box->text();
                box->accept();
            }
        });
        gw::platform::AlertRequest request{u"Title"_qs, u"Message"_qs, false, false, nullptr};
        gw::ui::WidgetAlertPresenter().present(request);
        QCOMPARE(modality, Qt::ApplicationModal);
        QCOMPARE(text, u"Title"_qs);
    }

    void openPanelChoosesAFileOrAFolder_data() {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("accept");
        QTest::newRow("file") << false << true;
        QTest::newRow("folder") << true << true;
        QTest::newRow("cancelled") << false << false;
    }
    void openPanelChoosesAFileOrAFolder() {
        QFETCH(bool, folder);
        QFETCH(bool, accept);
        gw::test::Sandbox sandbox;
        const std::string path = folder ? sandbox.folder("a folder") : sandbox.file("a file.txt");
        QWidget window;
        window.show();
        std::optional<std::optional<std::string>> chosen;
        gw::ui::WidgetFilePanels().chooseItem(&window, [&](std::optional<std::string> choice) {
            chosen = std::move(choice);
        });
        auto* dialog = openDialog<QFileDialog>(&window);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        dialog->setDirectory(QString::fromStdString(sandbox.path("")));
        dialog->selectFile(QString::fromStdString(path));
        if (accept) {
            static_cast<QDialog*>(dialog)->accept();  // the Open button
        } else {
            dialog->reject();
        }
        QTRY_VERIFY(chosen.has_value());
        QCOMPARE(*chosen, accept ? std::optional<std::string>(path) : std::nullopt);
    }
};

QTEST_MAIN(WidgetServicesTest)
#include "tst_widget_services.moc"
