#include "app/inspection/pretty_acl_item.h"

#include <algorithm>

#include <QStringList>

using namespace Qt::StringLiterals;

namespace gw::inspection {
namespace {

// An id without a name: the decimal number the owner and group fields show
// for such ids, read from the identifier the ACL text gives Linux ids;
// other identifiers shortened.
QString nameless(const QString& identifier) {
    static const QStringList prefixes{u"FFFFEEEE-DDDD-CCCC-BBBB-AAAA"_s,
                                      u"ABCDEFAB-CDEF-ABCD-EFAB-CDEF"_s};
    for (const auto& prefix : prefixes) {
        bool ok = false;
        const uint id = identifier.mid(prefix.size()).toUInt(&ok, 16);
        if (identifier.size() == prefix.size() + 8 && identifier.startsWith(prefix) && ok) {
            return QString::number(id);
        }
    }
    return identifier.left(4) + u"..."_s + identifier.right(4);
}

aclAction actionOf(const QString& field) {
    return field == u"allow"_s ? aclAction::allow : aclAction::deny;
}

}  // namespace

PrettyACLItem parseACLLine(const QString& line) {
    const QStringList fields = line.split(u':', Qt::SkipEmptyParts);
    PrettyACLItem item;
    item.id = line;
    if (!fields.isEmpty() && fields[0] == u"user"_s) {
        item.type = aclType::user;
    } else if (!fields.isEmpty() && fields[0] == u"group"_s) {
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
    item.properties = permissions.split(u',', Qt::SkipEmptyParts).join(u", "_s);
    return item;
}

namespace {

const QStringList kRights{u"read"_s, u"write"_s, u"execute"_s};

bool inherits(const PrettyACLItem& item) {
    return item.properties.contains(u"inherit"_s);
}

bool isMask(const PrettyACLItem& item) {
    return item.type == aclType::unknown && item.name == u"mask"_s;
}

QStringList rightsOf(const PrettyACLItem& item) {
    QStringList rights;
    for (const auto& word : item.properties.split(u", "_s)) {
        if (kRights.contains(word))
            rights << word;
    }
    return rights;
}

bool masked(const PrettyACLItem& item) {
    return item.name != u"owner@"_s && item.name != u"everyone@"_s &&
           (item.type == aclType::user || item.type == aclType::group);
}

}  // namespace

void applyMasks(std::vector<PrettyACLItem>& items) {
    for (auto& item : items) {
        if (item.action == aclAction::deny) {
            item.effective.clear();
            continue;
        }
        QStringList rights = rightsOf(item);
        if (masked(item)) {
            for (const auto& other : items) {
                if (isMask(other) && inherits(other) == inherits(item)) {
                    const QStringList mask = rightsOf(other);
                    rights.removeIf([&](const QString& right) { return !mask.contains(right); });
                }
            }
        }
        item.effective = rights.join(u", "_s);
    }
}

bool hasAccessMask(const std::vector<PrettyACLItem>& items) {
    return std::any_of(items.begin(), items.end(),
                       [](const PrettyACLItem& item) { return isMask(item) && !inherits(item); });
}

QString rightsWithEffect(const PrettyACLItem& item) {
    if (item.action == aclAction::deny || item.effective == rightsOf(item).join(u", "_s))
        return item.properties;
    return item.properties + u" \u2014 effective: "_s +
           (item.effective.isEmpty() ? u"none"_s : item.effective);
}

}  // namespace gw::inspection
