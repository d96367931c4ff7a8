#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QIcon>
#include <QObject>
#include <QString>

#include "platform/desktop/inspection_platform.h"
#include "platform/desktop/recent_documents.h"

namespace basalt {

// One listed item. Paths are bytes; `id` is the path, compared exactly.
struct AMRecentItem {
    QString name;
    QIcon icon;
    std::string url;
    std::string id;

    AMRecentItem(const std::string& path, gw::platform::InspectionPlatform& platform);
};

// The items the user opened recently, most recent first, mirrored into the
// desktop's own recent-documents list.
class AMRecentItemController : public QObject {
    Q_OBJECT
  public:
    AMRecentItemController(gw::platform::RecentDocuments& documents,
                           gw::platform::InspectionPlatform& platform, QObject* parent = nullptr);

    const std::vector<AMRecentItem>& itemList() const { return itemList_; }
    void addRecentItem(const std::string& path);
    void clearRecentItems();
    void openRecentItem(const AMRecentItem& item);

  Q_SIGNALS:
    void itemListChanged();
    // An entry was chosen; the application loads the item. With nobody
    // listening the user is told, not left with a menu that does nothing.
    void recentItemChosen(const std::string& path);

  private:
    gw::platform::RecentDocuments& documents_;
    gw::platform::InspectionPlatform& platform_;
    std::vector<AMRecentItem> itemList_;
};

}  // namespace basalt
