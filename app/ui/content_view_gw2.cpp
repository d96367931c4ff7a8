#include "app/ui/content_view_gw2.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/controller/reset_controller.h"
#include "app/ui/file_details_view.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "app/ui/top_panel.h"
#include "app/ui/web_addresses.h"
#include "basalt/desktop/desktop_utilities.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

// The first dropped location as path bytes; file URLs only. The bytes are
// percent-decoded from the URL itself, so names that aren't UTF-8 survive.
std::optional<std::string> droppedPath(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty()) {
        return std::nullopt;
    }
    const QUrl url = data->urls().front();
    if (!url.isValid() || !url.isLocalFile()) {
        return std::nullopt;
    }
    const QByteArray path =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}

}  // namespace

ContentViewGW2::ContentViewGW2(controller::ResetController& controller,
                               controller::OwnerChangeSheet& ownerSheet, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 12, 16, 20);
    column->setSpacing(0);
    top_ = new TopPanel(controller_, this);
    column->addWidget(top_);
    column->addSpacing(12);
    details_ = new FileDetailsView(controller_, ownerSheet, this);
    column->addWidget(details_);
    column->addSpacing(16);

    logo_ = new QToolButton(this);
    logo_->setText(u"AMBREL"_s);
    logo_->setAutoRaise(true);
    logo_->setToolTip(QCoreApplication::translate("content_view", "Opens the Ambrel website"));
    logo_->setCursor(Qt::PointingHandCursor);
    QFont logoFont = logo_->font();
    logoFont.setPointSizeF(9);
    logoFont.setBold(true);
    logoFont.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    logo_->setFont(logoFont);
    logo_->setFixedHeight(22);
    logo_->setGraphicsEffect(new QGraphicsOpacityEffect(logo_));
    logo_->installEventFilter(this);
    connect(logo_, &QToolButton::clicked, this, []() { basalt::URLShow(web::makerSite); });
    column->addWidget(logo_, 0, Qt::AlignHCenter);

    updateButton_ =
        new QPushButton(QCoreApplication::translate("content_view", " Update Available "), this);
    updateButton_->setToolTip(
        QCoreApplication::translate("content_view", "Open the update system"));
    updateButton_->setVisible(false);
    connect(updateButton_, &QPushButton::clicked, this, &ContentViewGW2::updateCheckRequested);
    column->addWidget(updateButton_, 0, Qt::AlignHCenter);

    connect(&controller_, &controller::ResetController::fileDetailsShowChanged, this,
            &ContentViewGW2::refresh);
    refresh();
}

void ContentViewGW2::setUpdateAvailable(bool available) {
    logo_->setVisible(!available);
    updateButton_->setVisible(available);
    updateButton_->setDefault(available && !controller_.fileDetailsShow());
}

void ContentViewGW2::refresh() {
    details_->setVisible(controller_.fileDetailsShow());
    auto* effect = static_cast<QGraphicsOpacityEffect*>(logo_->graphicsEffect());
    effect->setOpacity(hoverAmbrelLogo_ || !controller_.fileDetailsShow() ? 1.0 : 0.5);
}

bool ContentViewGW2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == logo_ && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        hoverAmbrelLogo_ = event->type() == QEvent::Enter;
        QFont font = logo_->font();
        font.setPointSizeF(hoverAmbrelLogo_ ? 11.7 : 9);  // 1.3 times, about its centre
        logo_->setFont(font);
        refresh();
    }
    return QWidget::eventFilter(watched, event);
}

void ContentViewGW2::setDropHappening(bool happening) {
    if (dropHappening_ != happening) {
        dropHappening_ = happening;
        update();
    }
}

void ContentViewGW2::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedPath(event->mimeData())) {
        event->acceptProposedAction();
        setDropHappening(true);
    }
}

void ContentViewGW2::dragLeaveEvent(QDragLeaveEvent*) {
    setDropHappening(false);
}

void ContentViewGW2::dropEvent(QDropEvent* event) {
    setDropHappening(false);
    const auto path = droppedPath(event->mimeData());
    if (!path) {
        return;
    }
    event->acceptProposedAction();
    // Loaded from the event loop, after the drag source has been answered.
    QTimer::singleShot(0, this, [this, location = *path]() { controller_.loadFile(location); });
}

QMenu* ContentViewGW2::makeContextMenu(QWidget* parent) {
    const auto& info = controller_.info();
    if (!info.url) {
        return nullptr;
    }
    auto* menu = new QMenu(parent);
    const QColor ink = colors::primary();
    const std::string url = *info.url;
    menu->addAction(symbolIcon(u"magnifyingglass"_s, ink),
                    QCoreApplication::translate("content_view", "Show In File Manager"), menu,
                    [url]() { basalt::revealInFinder(url); });
    menu->addSeparator();
    menu->addAction(symbolIcon(u"eye"_s, ink),
                    QCoreApplication::translate("content_view", "Quick Look"), menu,
                    [this, url]() { controller_.setQuickLookURL(url); });
    menu->addSeparator();
    QAction* original =
        menu->addAction(symbolIcon(u"arrowshape.turn.up.right"_s, ink),
                        QCoreApplication::translate("content_view", "Open Original"), menu,
                        [this]() { controller_.getOriginalFile(); });
    original->setEnabled(info.typeIsResolvable);
    menu->addSeparator();
    menu->addAction(symbolIcon(u"arrow.triangle.2.circlepath"_s, ink),
                    QCoreApplication::translate("content_view", "Refresh"), menu,
                    [this]() { controller_.reloadFile(); });
    menu->addSeparator();
    menu->addAction(symbolIcon(u"minus"_s, ink),
                    QCoreApplication::translate("content_view", "Remove file"), menu,
                    [this]() { controller_.clearFile(); });
    return menu;
}

void ContentViewGW2::contextMenuEvent(QContextMenuEvent* event) {
    // A top-level menu: only those reach the accessibility tree as the
    // application's own windows, so a screen reader follows it.
    if (QMenu* menu = makeContextMenu(nullptr)) {
        menu->setAttribute(Qt::WA_DeleteOnClose);
        connect(this, &QObject::destroyed, menu, &QObject::deleteLater);
        menu->popup(event->globalPos());
    }
}

void ContentViewGW2::paintEvent(QPaintEvent*) {
    if (!dropHappening_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colors::accent(), 5);
    painter.setPen(pen);
    painter.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), 10, 10);
}

}  // namespace gw::ui
