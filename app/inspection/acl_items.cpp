#include "acl_items.h"

#include <QStringList>

namespace gw::inspection {
namespace {

// An id without a name: the decimal number the owner and group fields show
// for such ids, read from the identifier the ACL text gives Linux ids;
// other identifiers shortened.
QString nameless(const QString& identifier) {
    static const QStringList prefixes{u"FFFFEEEE-DDDD-CCCC-BBBB-AAAA"_qs,
                                      u"ABCDEFAB-CDEF-ABCD-EFAB-CDEF"_qs};
    for (const auto& prefix : prefixes) {
        bool ok = false;
        const uint id = identifier.mid(prefix.size()).toUInt(&ok, 16);
        if (identifier.size() == prefix.size() + 8 && identifier.startsWith(prefix) && ok) {
            return QString::number(id);
        }
    }
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
        item.name = nameless(fields[1]);
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
