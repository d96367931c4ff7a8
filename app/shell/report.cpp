#include "report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <iostream>
#include <ostream>

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>

#include "app/inspection/path_display.h"

using namespace Qt::StringLiterals;

namespace gw::shell {
namespace {

using namespace gw::inspection;

QString caseName(variableValue value) {
    switch (value) {
        case variableValue::unknown:
            return u"unknown"_s;
        case variableValue::no:
            return u"no"_s;
        case variableValue::yes:
            return u"yes"_s;
        case variableValue::yesButAlso:
            return u"yesButAlso"_s;
        case variableValue::error:
            return u"error"_s;
    }
    return {};
}

QString caseName(FileACLStatus status) {
    switch (status) {
        case FileACLStatus::unknown:
            return u"unknown"_s;
        case FileACLStatus::hasACLs:
            return u"hasACLs"_s;
        case FileACLStatus::noACLs:
            return u"noACLs"_s;
        case FileACLStatus::hasACLdetritus:
            return u"hasACLdetritus"_s;
    }
    return {};
}

QString caseName(FileXattrStatus status) {
    switch (status) {
        case FileXattrStatus::unknown:
            return u"unknown"_s;
        case FileXattrStatus::hasXattrs:
            return u"hasXattrs"_s;
        case FileXattrStatus::noXattrs:
            return u"noXattrs"_s;
    }
    return {};
}

QString caseName(aclType type) {
    switch (type) {
        case aclType::user:
            return u"user"_s;
        case aclType::group:
            return u"group"_s;
        case aclType::unknown:
            return u"unknown"_s;
    }
    return {};
}

QString caseName(aclAction action) {
    return action == aclAction::allow ? u"allow"_s : u"deny"_s;
}

// ISO 8601 in UTC with the full nanoseconds the file system keeps.
QString isoText(const Timestamp& stamp) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(stamp);
    const auto nanos = (stamp - seconds).count();
    const QDateTime utc =
        QDateTime::fromSecsSinceEpoch(seconds.time_since_epoch().count(), QTimeZone::utc());
    return utc.toString(u"yyyy-MM-ddTHH:mm:ss"_s) + u'.' +
           QString::number(nanos).rightJustified(9, u'0') + u'Z';
}

QJsonObject branchJson(const PermissionsBranch& branch) {
    return QJsonObject{{u"name"_s, branch.name},
                       {u"read"_s, branch.read},
                       {u"write"_s, branch.write},
                       {u"execute"_s, branch.execute}};
}

QString bits(const PermissionsBranch& branch) {
    return QString(branch.read ? u'r' : u'-') + (branch.write ? u'w' : u'-') +
           (branch.execute ? u'x' : u'-');
}

QString yesNo(bool value) {
    return value ? u"yes"_s : u"no"_s;
}

// Control characters in names would break the report's lines.
QString visible(QString text) {
    text.replace(u'\\', u"\\\\"_s).replace(u'\n', u"\\n"_s).replace(u'\t', u"\\t"_s);
    for (auto& c : text) {
        if (c.unicode() < 0x20)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

}  // namespace

QJsonObject whyJson(const AccessExplanation& explanation) {
    QJsonObject why;
    for (const auto& verdict : explanation.actions) {
        QJsonArray blockers;
        for (const auto& blocker : verdict.blockers) {
            blockers.append(QJsonObject{{u"path"_s, pathText(blocker.path)},
                                        {u"cause"_s, causeKey(blocker.cause)},
                                        {u"text"_s, blocker.text}});
        }
        why.insert(actionKey(verdict.action),
                   QJsonObject{{u"allowed"_s, verdict.allowed}, {u"blockers"_s, blockers}});
    }
    return why;
}

std::string whyText(const AccessExplanation& explanation) {
    QStringList lines;
    for (const auto& verdict : explanation.actions)
        lines << u"  "_s + visible(verdictSentence(explanation, verdict));
    if (const QString note = securityModulesNote(explanation); !note.isEmpty())
        lines << u"  "_s + note;
    if (explanation.noPermissionSupport)
        lines << u"  "_s + *explanation.noPermissionSupport;
    return lines.join(u'\n').toStdString() + "\n";
}

QJsonObject reportJson(const FileInfo& info) {
    QJsonArray acls;
    for (const auto& item : info.prettyACLS) {
        acls.append(QJsonObject{{u"id"_s, item.id},
                                {u"type"_s, caseName(item.type)},
                                {u"name"_s, item.name},
                                {u"action"_s, caseName(item.action)},
                                {u"properties"_s, item.properties},
                                {u"effective"_s, item.effective}});
    }
    QJsonArray xattrs;
    for (const auto& [name, value] : info.xattrs) {
        xattrs.append(QJsonArray{name, value});
    }
    QJsonArray pretty;
    for (const auto& attr : info.prettyAttrs) {
        pretty.append(QJsonObject{
            {u"icon"_s, attr.icon},
            {u"label"_s, attr.label},
            {u"details"_s, attr.details ? QJsonValue(QJsonArray::fromStringList(*attr.details))
                                        : QJsonValue(QJsonValue::Null)},
            {u"helpTag"_s, attr.helpTag ? QJsonValue(*attr.helpTag) : QJsonValue()}});
    }
    const auto optionalText = [](const std::optional<QString>& text) {
        return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
    };
    return QJsonObject{
        {u"name"_s, info.name},
        {u"icon"_s, optionalText(info.icon)},
        {u"url"_s, info.url ? QJsonValue(pathText(*info.url)) : QJsonValue(QJsonValue::Null)},
        {u"typeName"_s, info.typeName},
        {u"size"_s, static_cast<qint64>(info.size)},
        {u"infoSummary"_s, info.infoSummary},
        {u"accessSummary"_s, QJsonObject{{u"value"_s, caseName(info.accessSummary.first)},
                                         {u"text"_s, info.accessSummary.second}}},
        {u"owner"_s, branchJson(info.owner)},
        {u"group"_s, branchJson(info.group)},
        {u"other"_s, branchJson(info.other)},
        {u"ownedByMe"_s, info.ownedByMe},
        {u"prettyACLS"_s, acls},
        {u"ACLStatus"_s, caseName(info.ACLStatus)},
        {u"xattrs"_s, xattrs},
        {u"xattrLength"_s, static_cast<qint64>(info.xattrLength)},
        {u"prettyAttrs"_s, pretty},
        {u"xattrsStatus"_s, caseName(info.xattrsStatus)},
        {u"lockedUser"_s, caseName(info.lockedUser)},
        {u"lockedSystem"_s, caseName(info.lockedSystem)},
        {u"lockedVolume"_s, info.lockedVolume},
        {u"typeIsResolvable"_s, info.typeIsResolvable},
        {u"typeIsSymbolicLink"_s, info.typeIsSymbolicLink},
        {u"typeIsFolder"_s, info.typeIsFolder},
        {u"isDeletable"_s, info.isDeletable},
        {u"criticalError"_s, optionalText(info.criticalError)},
        {u"warnings"_s, QJsonArray::fromStringList(info.warnings)},
        {u"warningsHave"_s, info.warningsHave},
        {u"attributesModified"_s, info.attributesModified
                                      ? QJsonValue(isoText(*info.attributesModified))
                                      : QJsonValue(QJsonValue::Null)},
    };
}

std::string reportText(const FileInfo& info) {
    QStringList lines;
    lines << visible(info.name);
    if (info.url)
        lines << u"  Path:        "_s + visible(pathText(*info.url));
    lines << u"  Kind:        "_s + info.infoSummary;
    lines << u"  Access:      "_s + info.accessSummary.second + u" ("_s +
                 caseName(info.accessSummary.first) + u')';
    lines << u"  Owner:       "_s + bits(info.owner) + u"  "_s + visible(info.owner.name) +
                 (info.ownedByMe ? u" (you)"_s : QString());
    lines << u"  Group:       "_s + bits(info.group) + u"  "_s + visible(info.group.name);
    lines << u"  Others:      "_s + bits(info.other);
    lines << u"  Locked:      "_s + caseName(info.lockedUser) + u", system lock: "_s +
                 caseName(info.lockedSystem) + u", volume locked: "_s + yesNo(info.lockedVolume);
    lines << u"  Deletable:   "_s + yesNo(info.isDeletable);
    lines << u"  ACL:         "_s + caseName(info.ACLStatus);
    for (const auto& item : info.prettyACLS) {
        lines << u"    "_s + caseName(item.action) + u' ' + caseName(item.type) + u' ' +
                     visible(item.name) + u": "_s + rightsWithEffect(item);
    }
    lines << u"  Attributes:  "_s + caseName(info.xattrsStatus) + u" ("_s +
                 QString::number(info.xattrLength) + u" bytes of names)"_s;
    for (const auto& attr : info.prettyAttrs) {
        lines << u"    "_s + visible(attr.label);
        for (const auto& detail : attr.details.value_or(QStringList())) {
            lines << u"      "_s + visible(detail);
        }
    }
    for (const auto& [name, value] : info.xattrs) {
        lines << u"    "_s + visible(name) + u": "_s + value;
    }
    for (const auto& warning : info.warnings) {
        lines << u"  Warning:     "_s + visible(warning);
    }
    if (info.criticalError)
        lines << u"  Critical:    "_s + *info.criticalError;
    return lines.join(u'\n').toStdString() + "\n";
}

int runReport(const std::vector<std::string>& paths, bool json,
              platform::InspectionPlatform& platform, std::ostream& out, const ReportAccount* why) {
    int status = 0;
    QJsonArray records;
    bool first = true;
    for (const auto& given : paths) {
        std::string path = given;
        // Not the current folder: an empty path names nothing.
        if (path.empty()) {
            std::cerr << "grantwell: an empty path names no item\n";
            status = 1;
            continue;
        }
        if (path.front() != '/') {
            char cwd[4096];
            if (::getcwd(cwd, sizeof cwd))
                path = std::string(cwd).append("/").append(path);
        }
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            status = 1;
        }
        const FileInfo info(path, platform);
        std::optional<AccessExplanation> explanation;
        if (why)
            explanation = explainAccess(path, why->account, why->isCaller, why->facts);
        if (json) {
            QJsonObject record = reportJson(info);
            if (explanation) {
                record.insert(u"why"_s, whyJson(*explanation));
                record.insert(u"whyFor"_s,
                              QJsonObject{{u"name"_s, explanation->accountName},
                                          {u"uid"_s, static_cast<qint64>(why->account.uid)},
                                          {u"securityModules"_s, QJsonArray::fromStringList(
                                                                     explanation->securityModules)},
                                          {u"noPermissionSupport"_s,
                                           explanation->noPermissionSupport
                                               ? QJsonValue(*explanation->noPermissionSupport)
                                               : QJsonValue(QJsonValue::Null)}});
            }
            records.append(record);
        } else {
            out << (first ? "" : "\n") << reportText(info);
            if (explanation)
                out << whyText(*explanation);
            first = false;
        }
    }
    if (json) {
        const QJsonDocument document =
            records.size() == 1 ? QJsonDocument(records[0].toObject()) : QJsonDocument(records);
        out << document.toJson(QJsonDocument::Indented).toStdString();
    }
    return status;
}

}  // namespace gw::shell
