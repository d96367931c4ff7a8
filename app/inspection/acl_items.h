#pragma once

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
    bool operator==(const PrettyACLItem&) const = default;
};

// One entry line of the text form (tag:identifier:name:id:action:perms, or
// tag:identifier:action:perms) as a presentable item. Never rejects a line.
PrettyACLItem parseACLLine(const QString& line);

}  // namespace gw::inspection
