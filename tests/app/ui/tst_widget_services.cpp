// The widget implementations of alerts and panels, offscreen.
#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/ui/auto_height_text_edit.h"
#include "app/ui/key_down_handler.h"
#include "app/ui/quick_look_window.h"
#include "app/ui/widget_alert_presenter.h"
#include "app/ui/widget_file_panels.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

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
        gw::platform::AlertRequest request{u"Unable to toggle file lock"_s,
                                           u"Operation not permitted"_s, true, true, &window};
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
        gw::platform::AlertRequest request{u"Title"_s, u"Message"_s, false, false, nullptr};
        gw::ui::WidgetAlertPresenter().present(request);
        QCOMPARE(modality, Qt::ApplicationModal);
        QCOMPARE(text, u"Title"_s);
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
        gw::ui::WidgetFilePanels().chooseItem(
            &window, [&](std::optional<std::string> choice) { chosen = std::move(choice); });
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

    void autoHeightEditorGrowsWithItsText() {
        gw::ui::AutoHeightTextEdit editor;
        int changes = 0;
        QObject::connect(&editor, &gw::ui::AutoHeightTextEdit::textChangedTo, &editor,
                         [&](const QString&) { ++changes; });
        editor.setPlainText(u"one line"_s);
        const int one = editor.sizeHint().height();
        QCOMPARE(one, gw::ui::AutoHeightTextEdit::kMinimumHeight);
        editor.setPlainText(u"1\n2"_s);
        const int two = editor.sizeHint().height();
        editor.setPlainText(u"1\n2\n3\n4\n5\n6\n7\n8\n9\n10"_s);
        QCOMPARE(editor.sizeHint().height() - two, 8 * editor.fontMetrics().lineSpacing());
        QCOMPARE(changes, 3);
    }

    // A key handler listens only while its own window is the active one.
    void keyHandlerFollowsItsWindow() {
        QWidget first, second;
        auto* field = new QLineEdit(&first);
        int keys = 0;
        gw::ui::KeyDownHandler handler(&first, [&](QKeyEvent*) {
            ++keys;
            return true;
        });
        first.show();
        second.show();
        first.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&first));
        QVERIFY(handler.isInstalled());
        QTest::keyClick(field, Qt::Key_A);
        QCOMPARE(keys, 1);
        QVERIFY(field->text().isEmpty());  // swallowed
        second.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&second));
        QVERIFY(!handler.isInstalled());
        QTest::keyClick(&second, Qt::Key_A);
        QCOMPARE(keys, 1);
    }

    void quickLookShowsWhatIsSafeToRead() {
        gw::test::Sandbox sandbox;
        const std::string text = sandbox.file("notes.txt", "hello");
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        const std::string picture = sandbox.path("dot.png");
        QVERIFY(image.save(QString::fromStdString(picture)));
        QCOMPARE(gw::ui::QuickLookWindow(text, nullptr).kind(),
                 gw::ui::QuickLookWindow::Kind::text);
        QCOMPARE(gw::ui::QuickLookWindow(picture, nullptr).kind(),
                 gw::ui::QuickLookWindow::Kind::image);
        // A FIFO named like text is never opened: that would wait for a writer.
        QCOMPARE(gw::ui::QuickLookWindow(sandbox.fifo("pipe.txt"), nullptr).kind(),
                 gw::ui::QuickLookWindow::Kind::facts);
        QCOMPARE(gw::ui::QuickLookWindow(sandbox.path("gone.txt"), nullptr).kind(),
                 gw::ui::QuickLookWindow::Kind::facts);
        gw::ui::QuickLookWindow window(text, nullptr);
        window.show();
        QTest::keyClick(&window, Qt::Key_Space);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(WidgetServicesTest)
#include "tst_widget_services.moc"
