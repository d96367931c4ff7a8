#include "basalt/desktop/recent_items.h"

#include <algorithm>
#include <ostream>

#include <QFile>
#include <QMetaMethod>

#include "basalt/desktop/alerts.h"
#include "basalt/desktop/desktop_utilities.h"
#include "basalt/diagnostics.h"
#include "platform/path_text.h"

using namespace Qt::StringLiterals;

namespace basalt {

namespace {

void logFailure(const char* what, const gw::platform::SysError& error) {
    diagnostics() << "AMRecentItemController." << what << ' ' << error.description << '\n';
}

}  // namespace

AMRecentItem::AMRecentItem(const std::string& path, gw::platform::InspectionPlatform& platform)
    : url(path), id(path) {
    const QString lastComponent =
        QFile::decodeName(QByteArray::fromStdString(gw::platform::lastPathComponent(path)));
    name = lastComponent;
    const QIcon dataIcon = QIcon::fromTheme(u"application-octet-stream"_s);
    icon = dataIcon;

    const gw::platform::InspectionScope scope(platform);
    if (!platform.resourceValues(path)) {
        diagnostics() << "AMRecentItem."
                      << "init(withURL:)"
                      << " error while getting properties "
                      << "the item can't be looked at: " << path << '\n';
        const QIcon byName = themedFileIcon(platform.iconNameForFileName(lastComponent));
        icon = byName.isNull() ? dataIcon : byName;
        return;
    }
    name = platform.displayName(path);
    if (auto iconName = platform.iconName(path)) {
        const QIcon themed = themedFileIcon(*iconName);
        if (!themed.isNull()) {
            icon = themed;
        }
    }
}

AMRecentItemController::AMRecentItemController(gw::platform::RecentDocuments& documents,
                                               gw::platform::InspectionPlatform& platform,
                                               QObject* parent)
    : QObject(parent), documents_(documents), platform_(platform) {
    for (const auto& path : documents_.paths()) {
        itemList_.emplace_back(path, platform_);
    }
}

void AMRecentItemController::addRecentItem(const std::string& path) {
    if (const auto noted = documents_.note(path); noted.failed()) {
        logFailure("addRecentItem(_:)", noted.error());
    }
    for (auto it = itemList_.end(); it != itemList_.begin();) {
        --it;
        if (it->id == path) {
            it = itemList_.erase(it);
        }
    }
    itemList_.insert(itemList_.begin(), AMRecentItem(path, platform_));
    Q_EMIT itemListChanged();
}

void AMRecentItemController::clearRecentItems() {
    if (const auto cleared = documents_.clear(); cleared.failed()) {
        logFailure("clearRecentItems()", cleared.error());
    }
    itemList_.clear();
    Q_EMIT itemListChanged();
}

void AMRecentItemController::openRecentItem(const AMRecentItem& item) {
    if (isSignalConnected(QMetaMethod::fromSignal(&AMRecentItemController::recentItemChosen))) {
        Q_EMIT recentItemChosen(item.url);
        return;
    }
    gw::platform::AlertRequest request;
    request.messageText =
        u"Failed to open the recent item as the \"Action\" closure wasn't specified. Please "
        "contact the application author."_s;
    presentAlert(std::move(request));
}

}  // namespace basalt
