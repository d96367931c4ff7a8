#include "app/ui/am_large_about_box.h"

#include <ostream>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ui/app_icon.h"
#include "app/ui/key_down_handler.h"
#include "app/ui/rounded_panel.h"
#include "app/ui/theme.h"
#include "app/ui/web_addresses.h"
#include "basalt/bundle_info.h"
#include "basalt/desktop/desktop_utilities.h"
#include "basalt/diagnostics.h"
#include "platform/system_version.h"

using namespace Qt::StringLiterals;

// Resources of a static library are registered by hand.
static void registerResources() {
    Q_INIT_RESOURCE(ui);
}

namespace gw::ui {

CreditsView::CreditsView(const QString& sourceFile, QWidget* parent) : QTextBrowser(parent) {
    registerResources();
    setReadOnly(true);
    setOpenExternalLinks(true);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(
        QCoreApplication::translate("about_box", "QTextBrowser { background: transparent; }"));
    document()->setDocumentMargin(0);
    if (sourceFile.isEmpty()) {
        basalt::diagnostics() << "Nil file passed in\n";
        return;
    }
    QFile file(sourceFile);
    if (!file.open(QIODevice::ReadOnly)) {
        basalt::diagnostics() << "Failed to load the contents of " << sourceFile.toStdString()
                              << '\n';
        return;
    }
    setHtml(QString::fromUtf8(file.readAll()));
}

AMLargeAboutBox::AMLargeAboutBox(const QString& arch, QWidget* parent) : QDialog(parent) {
    const QString appName = QApplication::applicationDisplayName();
    setWindowTitle(
        QCoreApplication::translate("about_box", "About ") +
        (appName.isEmpty() ? QCoreApplication::translate("about_box", "This app") : appName));
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    setFixedSize(560, 300);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 14);
    auto* top = new QHBoxLayout;
    top->setSpacing(20);
    auto* icon = new QLabel;
    icon->setPixmap(applicationIcon().pixmap(QSize(128, 128), devicePixelRatioF()));
    icon->setFixedSize(128, 128);
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(textLabel(appName.isEmpty() ? u"Photos"_s : appName, 29));
    const QString version = QString::fromLatin1(basalt::bundle::kShortVersion);
    auto* versionRow = new QHBoxLayout;
    versionRow->setSpacing(0);
    versionRow->addWidget(textLabel(QCoreApplication::translate("about_box", "Version ") +
                                        (version.isEmpty() ? u"3.0a"_s : version),
                                    11, QFont::Normal, colors::secondary()));
    versionRow->addWidget(textLabel(u" - "_s + arch, 11, QFont::Normal, colors::secondary()));
    versionRow->addStretch(1);
    right->addLayout(versionRow);
    right->addSpacing(6);
    auto* credits = new CreditsView(QString::fromLatin1(kCreditsFile));
    credits->setFixedWidth(318);
    credits->setObjectName(u"credits"_s);
    right->addWidget(credits, 1);
    top->addLayout(right, 1);
    column->addLayout(top, 1);

    auto* bottom = new QHBoxLayout;
    auto* logo = new QToolButton;
    logo->setText(u"AMBREL"_s);
    logo->setAutoRaise(true);
    logo->setToolTip(QCoreApplication::translate("about_box", "Open the Ambrel website"));
    QFont logoFont = logo->font();
    logoFont.setPointSizeF(9);
    logoFont.setBold(true);
    logoFont.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    logo->setFont(logoFont);
    connect(logo, &QToolButton::clicked, this, []() { basalt::URLShow(web::makerSite); });
    bottom->addWidget(logo);
    bottom->addStretch(1);
    bottom->addWidget(textLabel(QString::fromUtf8(basalt::bundle::kCopyright), 10, QFont::Normal,
                                colors::secondary()));
    column->addLayout(bottom);

    new KeyDownHandler(this, [this](QKeyEvent* event) {
        if (event->text().startsWith(QChar(27))) {
            QTimer::singleShot(0, this, &QDialog::close);
            return true;
        }
        return false;
    });
}

AMLargeAboutBox* AMLargeAboutBox::showShared(QWidget* parent) {
    static QPointer<AMLargeAboutBox> shared;
    if (!shared) {
        // The machine's own architecture, not a marketing name.
        shared = new AMLargeAboutBox(QString::fromStdString(gw::platform::machineName()), parent);
        shared->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    shared->show();
    shared->raise();
    shared->activateWindow();
    return shared;
}

}  // namespace gw::ui
