#pragma once

#include <vector>

#include <QString>

namespace gw::inspection {

enum class aclType { user, group, unknown };
enum class aclAction { allow, deny };
enum class FileACLStatus { unknown, hasACLs, noACLs, hasACLdetritus };

// One presentable access-control entry.
struct PrettyACLItem {
    QString id;  // the entry's whole line
    aclType type = aclType::unknown;
    QString name;
    aclAction action = aclAction::allow;
    QString properties;  // permission words joined by ", "
    // The rights the entry really grants once its list's mask is applied
    // ("read, write" cut by a mask of "read" leaves "read"); empty when it
    // grants nothing. Only named entries and the owning group's are masked.
    QString effective;
    bool operator==(const PrettyACLItem&) const = default;
};

// One entry line of the text form (tag:identifier:name:id:action:perms, or
// tag:identifier:action:perms) as a presentable item. Never rejects a line.
PrettyACLItem parseACLLine(const QString& line);

// Fills in each item's effective rights from the mask of its own list (the
// access ACL, or the default ACL whose entries carry the inherit words).
void applyMasks(std::vector<PrettyACLItem>& items);
// Whether the access ACL has a mask: the group row of the grid is then the
// mask, not the owning group's rights.
bool hasAccessMask(const std::vector<PrettyACLItem>& items);
// "read, write — effective: read" where the mask cuts, else the rights.
QString rightsWithEffect(const PrettyACLItem& item);

}  // namespace gw::inspection
