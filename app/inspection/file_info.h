#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

#include "app/inspection/permissions_branch.h"
#include "app/inspection/pretty_acl_item.h"
#include "app/inspection/pretty_attribute.h"
#include "platform/desktop/inspection_platform.h"

namespace gw::inspection {

using namespace Qt::StringLiterals;

using platform::InspectionPlatform;
using platform::Timestamp;

// Everything the window shows about the one item being examined. A plain
// value: copying it copies every field.
struct FileInfo {
    QString name = u"Unknown"_s;
    std::optional<QString> icon;     // the icon's name in the desktop theme
    std::optional<std::string> url;  // the item's path, as bytes
    // The inode the record describes; changes made as administrator insist
    // on it, so a path swapped since is refused rather than followed.
    std::optional<platform::ItemIdentity> identity;
    QString typeName = u"Unknown"_s;
    int64_t size = 0;
    QString infoSummary = u"Unknown"_s;
    std::pair<variableValue, QString> accessSummary{variableValue::unknown, u"Unknown"_s};
    PermissionsBranch owner;
    PermissionsBranch group;
    PermissionsBranch other;
    bool ownedByMe = false;
    std::vector<PrettyACLItem> prettyACLS;
    FileACLStatus ACLStatus = FileACLStatus::unknown;
    std::vector<std::pair<QString, QString>> xattrs;
    int64_t xattrLength = 0;
    std::vector<PrettyAttribute> prettyAttrs;
    FileXattrStatus xattrsStatus = FileXattrStatus::unknown;
    variableValue lockedUser = variableValue::unknown;
    variableValue lockedSystem = variableValue::unknown;
    bool lockedVolume = false;
    bool typeIsResolvable = false;
    bool typeIsSymbolicLink = false;
    bool typeIsFolder = false;
    bool isDeletable = false;
    std::optional<QString> criticalError;
    QStringList warnings;
    bool warningsHave = false;
    std::optional<Timestamp> attributesModified;

    // The empty record.
    FileInfo() = default;
    // The full gathering; with no location, the empty record. Never fails:
    // what can't be read keeps its default.
    FileInfo(const std::optional<std::string>& location, InspectionPlatform& platform);

    // Reads the same item again, touching only what can change while it stays
    // the same item (never the type flags, the volume facts or the location).
    void refresh(InspectionPlatform& platform);

    // Steps the gathering runs at fixed points; public for the tests.
    void readACL(InspectionPlatform& platform);
    void readExtendedAttributes(const platform::AttributeDictionary& attributes,
                                InspectionPlatform& platform);
    QString resolveTypeName(const std::string& location, const QString& current,
                            InspectionPlatform& platform) const;
    void buildAccessSummary(InspectionPlatform& platform);

  private:
    void applySystemLock(const platform::ResourceValues& values);
    void applyUnlistableXattrRule(const platform::ResourceValues& values);
    void finish(InspectionPlatform& platform);
};

// Whether a path lies in a tree the system manages, where permission
// changes may not stick.
bool isInSystemArea(const std::string& path);

}  // namespace gw::inspection
