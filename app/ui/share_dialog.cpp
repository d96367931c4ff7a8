#include "app/ui/share_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

#include "app/ui/rounded_panel.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "app/ui/web_addresses.h"
#include "basalt/desktop/alerts.h"
#include "basalt/desktop/desktop_utilities.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

const QString kIgnoreOnCloseKey = u"shareSheetIgnoreOnClose"_s;
const QString kEmailSubject =
    u"Grantwell - Fix, view & change file permissions on Linux, easily, quickly & efficiently"_s;

struct Endpoint {
    QString destination;
    QString address;
    QList<QPair<QString, QString>> query;
};

Endpoint endpointFor(const QString& destination) {
    if (destination == u"Facebook") {
        return {QCoreApplication::translate("share_dialog", "to Facebook"),
                u"https://www.facebook.com/sharer/sharer.php"_s,
                {{u"display"_s, u"page"_s}, {u"u"_s, ShareDialog::productPage()}}};
    }
    if (destination == u"Threads") {
        return {QCoreApplication::translate("share_dialog", "to Threads"),
                u"https://www.threads.net/intent/post"_s,
                {{u"text"_s, ShareDialog::shareMessage()}}};
    }
    return {QCoreApplication::translate("share_dialog", "to X"),
            u"https://x.com/intent/tweet"_s,
            {{u"text"_s, ShareDialog::shareMessage()}}};
}

}  // namespace

const QString& ShareDialog::productPage() {
    return web::productPage;
}

const QString& ShareDialog::shareMessage() {
    static const QString message =
        u"Grantwell 3 solves file permission issues with a drag "
        "& click. New interface makes it "
        "easy to view and change permissions. Now 88% smaller. "
        "Download the FREE Grantwell today.\n\n"_s +
        productPage() + QCoreApplication::translate("share_dialog", "\n\n#Linux #indiedev");
    return message;
}

QUrl ShareDialog::shareUrl(const QString& destination) {
    const Endpoint endpoint = endpointFor(destination);
    QUrl url(endpoint.address, QUrl::StrictMode);
    if (!url.isValid()) {
        return {};
    }
    // Every character that isn't plain is escaped: the message's line
    // breaks, "#" and "&" must reach the site as text.
    QStringList items;
    for (const auto& [key, value] : endpoint.query) {
        items << key + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
    }
    url.setQuery(items.join(u'&'), QUrl::StrictMode);
    return url;
}

ShareDialog::ShareDialog(QSettings& settings, bool quitting, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QCoreApplication::translate("share_dialog", "Share Grantwell"));
    setWindowModality(Qt::WindowModal);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(10);

    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    auto* heart = new QLabel;
    heart->setPixmap(symbolIcon(u"heart.fill"_s, colors::red()).pixmap(QSize(24, 24)));
    header->addStretch(1);
    header->addWidget(heart);
    const QString name = QApplication::applicationDisplayName().isEmpty()
                             ? QCoreApplication::translate("share_dialog", "My Great App")
                             : QApplication::applicationDisplayName();
    header->addWidget(textLabel(name, 20, QFont::Light));
    header->addStretch(1);
    column->addLayout(header);
    auto* subtitle = textLabel(
        QCoreApplication::translate("share_dialog", "Help us to share the love for Grantwell"), 12,
        QFont::Normal, colors::secondary());
    subtitle->setAlignment(Qt::AlignCenter);
    column->addWidget(subtitle);
    column->addSpacing(6);

    const auto addButton = [&](const QString& label, auto action) {
        auto* button = new QPushButton(label);
        button->setFixedWidth(180);
        button->setMinimumHeight(30);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, action);
        column->addWidget(button, 0, Qt::AlignHCenter);
        return button;
    };
    addButton(QCoreApplication::translate("share_dialog", "Share via E-mail"),
              []() { basalt::composeEmail(QString(), kEmailSubject, shareMessage()); });
    addButton(QCoreApplication::translate("share_dialog", "Share on Facebook"),
              [this]() { share(u"Facebook"_s); });
    addButton(QCoreApplication::translate("share_dialog", "Share on Threads"),
              [this]() { share(u"Threads"_s); });
    addButton(QCoreApplication::translate("share_dialog", "Share on X"),
              [this]() { share(u"X"_s); });
    auto* line = divider();
    line->setFixedWidth(180);
    column->addWidget(line, 0, Qt::AlignHCenter);
    QPushButton* copy =
        addButton(QCoreApplication::translate("share_dialog", "Copy Message"), []() {
            QClipboard* clipboard = QApplication::clipboard();
            clipboard->clear();
            clipboard->setText(shareMessage());
        });
    copy->setIcon(symbolIcon(u"doc.on.doc"_s, colors::primary()));

    column->addSpacing(20);
    auto* bottom = new QHBoxLayout;
    dontShow_ = new QCheckBox(QCoreApplication::translate("share_dialog", "Don't show on Quit"));
    dontShow_->setChecked(settings_.value(kIgnoreOnCloseKey, false).toBool());
    connect(dontShow_, &QCheckBox::toggled, this,
            [this](bool on) { settings_.setValue(kIgnoreOnCloseKey, on); });
    bottom->addWidget(dontShow_);
    bottom->addStretch(1);
    close_ = new QPushButton(quitting ? QCoreApplication::translate("share_dialog", "Quit")
                                      : QCoreApplication::translate("share_dialog", "Close"));
    close_->setDefault(true);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    bottom->addWidget(close_);
    column->addLayout(bottom);
}

QPushButton* ShareDialog::shareButton(const QString& label) const {
    for (auto* button : findChildren<QPushButton*>()) {
        if (button->text() == label) {
            return button;
        }
    }
    return nullptr;
}

void ShareDialog::share(const QString& destination) {
    const Endpoint endpoint = endpointFor(destination);
    const QString title =
        QCoreApplication::translate("share_dialog", "Unable to Share ") + endpoint.destination;
    if (!QUrl(endpoint.address, QUrl::StrictMode).isValid()) {
        basalt::diagnosticAlert(
            title, QCoreApplication::translate("share_dialog", "Unable to create base URL."),
            QString(), true);
        return;
    }
    const QUrl url = shareUrl(destination);
    if (!url.isValid()) {
        basalt::diagnosticAlert(
            title, QCoreApplication::translate("share_dialog", "Resulting URL is invalid."),
            QString(), true);
        return;
    }
    basalt::URLShow(url.toString(QUrl::FullyEncoded));
}

}  // namespace gw::ui
