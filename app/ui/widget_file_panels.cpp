#include "app/ui/widget_file_panels.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

// Runs the dialog as a sheet when it has a window, modally otherwise, and
// hands over the one chosen path.
void run(QFileDialog* dialog, platform::PanelChoice choice) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, choice = std::move(choice)](int result) {
                         const QStringList files = dialog->selectedFiles();
                         if (result == QDialog::Accepted && !files.isEmpty()) {
                             choice(QFile::encodeName(files.front()).toStdString());
                         } else {
                             choice(std::nullopt);
                         }
                     });
    if (dialog->parentWidget()) {
        dialog->setWindowModality(Qt::WindowModal);
        dialog->open();
    } else {
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
    }
}

// An open dialog that takes a file or a folder: "Open" on a selected folder
// chooses it (double-clicking still goes into it).
class ItemDialog final : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;
    void accept() override {
        const QStringList files = selectedFiles();
        if (files.size() == 1 && QFileInfo(files.front()).isDir()) {
            done(QDialog::Accepted);
            return;
        }
        QFileDialog::accept();
    }
};

}  // namespace

void WidgetFilePanels::chooseItem(QPointer<QObject> window, platform::PanelChoice choice) {
    auto* dialog = new ItemDialog(qobject_cast<QWidget*>(window.data()));
    // The non-native dialog, so that a folder can be chosen as well as a file.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFilter(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    dialog->setLabelText(QFileDialog::Accept,
                         QCoreApplication::translate("widget_file_panels", "Open"));
    run(dialog, std::move(choice));
}

void WidgetFilePanels::chooseSaveLocation(QPointer<QObject> window,
                                          const platform::SavePanelRequest& request,
                                          platform::PanelChoice choice) {
    auto* dialog = new QFileDialog(qobject_cast<QWidget*>(window.data()));
    // The non-native dialog, so the message can stand inside it: a sheet
    // has no title bar to carry it.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
        grid && !request.message.isEmpty()) {
        auto* message = new QLabel(request.message, dialog);
        message->setWordWrap(true);
        message->setObjectName(u"panelMessage"_s);
        grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
    }
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The message stands inside the panel; the title only names it.
    dialog->setWindowTitle(
        QCoreApplication::translate("widget_file_panels", "Choose a New Location"));
    dialog->setLabelText(QFileDialog::Accept, request.prompt);
    dialog->setDirectory(QFile::decodeName(QByteArray::fromStdString(request.folder)));
    dialog->selectFile(request.name);
    if (!request.requiredExtension.isEmpty()) {
        dialog->setNameFilter(u"*."_s + request.requiredExtension);
        dialog->setDefaultSuffix(request.requiredExtension);
    }
    run(dialog, std::move(choice));
}

}  // namespace gw::ui
