#include "acl_items.h"

#include <QStringList>

namespace gw::inspection {
namespace {

QString abbreviated(const QString& identifier) {
    return identifier.left(4) + u"..."_qs + identifier.right(4);
}

aclAction actionOf(const QString& field) {
    return field == u"allow"_qs ? aclAction::allow : aclAction::deny;
}

}  // namespace

PrettyACLItem parseACLLine(const QString& line) {
    const QStringList fields = line.split(u':', Qt::SkipEmptyParts);
    PrettyACLItem item;
    item.id = line;
    if (!fields.isEmpty() && fields[0] == u"user"_qs) {
        item.type = aclType::user;
    } else if (!fields.isEmpty() && fields[0] == u"group"_qs) {
        item.type = aclType::group;
    }
    QString permissions;
    if (fields.size() == 6) {
        item.name = fields[2];
        item.action = actionOf(fields[4]);
        permissions = fields[5];
    } else if (fields.size() == 4) {
        item.name = abbreviated(fields[1]);
        item.action = actionOf(fields[2]);
        permissions = fields[3];
    } else {
        item.name = line;
        item.action = aclAction::allow;
    }
    item.properties = permissions.split(u',', Qt::SkipEmptyParts).join(u", "_qs);
    return item;
}

}  // namespace gw::inspection
