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

namespace gw::shell {
namespace {

using namespace gw::inspection;

QString caseName(variableValue value) {
    switch (value) {
        case variableValue::unknown:
            return u"unknown"_qs;
        case variableValue::no:
            return u"no"_qs;
        case variableValue::yes:
            return u"yes"_qs;
        case variableValue::yesButAlso:
            return u"yesButAlso"_qs;
        case variableValue::error:
            return u"error"_qs;
    }
    return {};
}

QString caseName(FileACLStatus status) {
    switch (status) {
        case FileACLStatus::unknown:
            return u"unknown"_qs;
        case FileACLStatus::hasACLs:
            return u"hasACLs"_qs;
        case FileACLStatus::noACLs:
            return u"noACLs"_qs;
        case FileACLStatus::hasACLdetritus:
            return u"hasACLdetritus"_qs;
    }
    return {};
}

QString caseName(FileXattrStatus status) {
    switch (status) {
        case FileXattrStatus::unknown:
            return u"unknown"_qs;
        case FileXattrStatus::hasXattrs:
            return u"hasXattrs"_qs;
        case FileXattrStatus::noXattrs:
            return u"noXattrs"_qs;
    }
    return {};
}

QString caseName(aclType type) {
    switch (type) {
        case aclType::user:
            return u"user"_qs;
        case aclType::group:
            return u"group"_qs;
        case aclType::unknown:
            return u"unknown"_qs;
    }
    return {};
}

QString caseName(aclAction action) {
    return action == aclAction::allow ? u"allow"_qs : u"deny"_qs;
}

// ISO 8601 in UTC with the full nanoseconds the file system keeps.
QString isoText(const Timestamp& stamp) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(stamp);
    const auto nanos = (stamp - seconds).count();
    const QDateTime utc =
        QDateTime::fromSecsSinceEpoch(seconds.time_since_epoch().count(), QTimeZone::utc());
    return utc.toString(u"yyyy-MM-ddTHH:mm:ss"_qs) + u'.' +
           QString::number(nanos).rightJustified(9, u'0') + u'Z';
}

QJsonObject branchJson(const PermissionsBranch& branch) {
    return QJsonObject{{u"name"_qs, branch.name},
                       {u"read"_qs, branch.read},
                       {u"write"_qs, branch.write},
                       {u"execute"_qs, branch.execute}};
}

QString bits(const PermissionsBranch& branch) {
    return QString(branch.read ? u'r' : u'-') + (branch.write ? u'w' : u'-') +
           (branch.execute ? u'x' : u'-');
}

QString yesNo(bool value) {
    return value ? u"yes"_qs : u"no"_qs;
}

// Control characters in names would break the report's lines.
QString visible(QString text) {
    text.replace(u'\\', u"\\\\"_qs).replace(u'\n', u"\\n"_qs).replace(u'\t', u"\\t"_qs);
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
            blockers.append(QJsonObject{{u"path"_qs, pathText(blocker.path)},
                                        {u"cause"_qs, causeKey(blocker.cause)},
                                        {u"text"_qs, blocker.text}});
        }
        why.insert(actionKey(verdict.action),
                   QJsonObject{{u"allowed"_qs, verdict.allowed}, {u"blockers"_qs, blockers}});
    }
    return why;
}

std::string whyText(const AccessExplanation& explanation) {
    QStringList lines;
    for (const auto& verdict : explanation.actions)
        lines << u"  "_qs + visible(verdictSentence(explanation, verdict));
    if (const QString note = securityModulesNote(explanation); !note.isEmpty())
        lines << u"  "_qs + note;
    if (explanation.noPermissionSupport)
        lines << u"  "_qs + *explanation.noPermissionSupport;
    return lines.join(u'\n').toStdString() + "\n";
}

QJsonObject reportJson(const FileInfo& info) {
    QJsonArray acls;
    for (const auto& item : info.prettyACLS) {
        acls.append(QJsonObject{{u"id"_qs, item.id},
                                {u"type"_qs, caseName(item.type)},
                                {u"name"_qs, item.name},
                                {u"action"_qs, caseName(item.action)},
                                {u"properties"_qs, item.properties},
                                {u"effective"_qs, item.effective}});
    }
    QJsonArray xattrs;
    for (const auto& [name, value] : info.xattrs) {
        xattrs.append(QJsonArray{name, value});
    }
    QJsonArray pretty;
    for (const auto& attr : info.prettyAttrs) {
        pretty.append(QJsonObject{
            {u"icon"_qs, attr.icon},
            {u"label"_qs, attr.label},
            {u"details"_qs, attr.details ? QJsonValue(QJsonArray::fromStringList(*attr.details))
                                         : QJsonValue(QJsonValue::Null)},
            {u"helpTag"_qs, attr.helpTag ? QJsonValue(*attr.helpTag) : QJsonValue()}});
    }
    const auto optionalText = [](const std::optional<QString>& text) {
        return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
    };
    return QJsonObject{
        {u"name"_qs, info.name},
        {u"icon"_qs, optionalText(info.icon)},
        {u"url"_qs, info.url ? QJsonValue(pathText(*info.url)) : QJsonValue(QJsonValue::Null)},
        {u"typeName"_qs, info.typeName},
        {u"size"_qs, static_cast<qint64>(info.size)},
        {u"infoSummary"_qs, info.infoSummary},
        {u"accessSummary"_qs, QJsonObject{{u"value"_qs, caseName(info.accessSummary.first)},
                                          {u"text"_qs, info.accessSummary.second}}},
        {u"owner"_qs, branchJson(info.owner)},
        {u"group"_qs, branchJson(info.group)},
        {u"other"_qs, branchJson(info.other)},
        {u"ownedByMe"_qs, info.ownedByMe},
        {u"prettyACLS"_qs, acls},
        {u"ACLStatus"_qs, caseName(info.ACLStatus)},
        {u"xattrs"_qs, xattrs},
        {u"xattrLength"_qs, static_cast<qint64>(info.xattrLength)},
        {u"prettyAttrs"_qs, pretty},
        {u"xattrsStatus"_qs, caseName(info.xattrsStatus)},
        {u"lockedUser"_qs, caseName(info.lockedUser)},
        {u"lockedSystem"_qs, caseName(info.lockedSystem)},
        {u"lockedVolume"_qs, info.lockedVolume},
        {u"typeIsResolvable"_qs, info.typeIsResolvable},
        {u"typeIsSymbolicLink"_qs, info.typeIsSymbolicLink},
        {u"typeIsFolder"_qs, info.typeIsFolder},
        {u"isDeletable"_qs, info.isDeletable},
        {u"criticalError"_qs, optionalText(info.criticalError)},
        {u"warnings"_qs, QJsonArray::fromStringList(info.warnings)},
        {u"warningsHave"_qs, info.warningsHave},
        {u"attributesModified"_qs, info.attributesModified
                                       ? QJsonValue(isoText(*info.attributesModified))
                                       : QJsonValue(QJsonValue::Null)},
    };
}

std::string reportText(const FileInfo& info) {
    QStringList lines;
    lines << visible(info.name);
    if (info.url)
        lines << u"  Path:        "_qs + visible(pathText(*info.url));
    lines << u"  Kind:        "_qs + info.infoSummary;
    lines << u"  Access:      "_qs + info.accessSummary.second + u" ("_qs +
                 caseName(info.accessSummary.first) + u')';
    lines << u"  Owner:       "_qs + bits(info.owner) + u"  "_qs + visible(info.owner.name) +
                 (info.ownedByMe ? u" (you)"_qs : QString());
    lines << u"  Group:       "_qs + bits(info.group) + u"  "_qs + visible(info.group.name);
    lines << u"  Others:      "_qs + bits(info.other);
    lines << u"  Locked:      "_qs + caseName(info.lockedUser) + u", system lock: "_qs +
                 caseName(info.lockedSystem) + u", volume locked: "_qs + yesNo(info.lockedVolume);
    lines << u"  Deletable:   "_qs + yesNo(info.isDeletable);
    lines << u"  ACL:         "_qs + caseName(info.ACLStatus);
    for (const auto& item : info.prettyACLS) {
        lines << u"    "_qs + caseName(item.action) + u' ' + caseName(item.type) + u' ' +
                     visible(item.name) + u": "_qs + rightsWithEffect(item);
    }
    lines << u"  Attributes:  "_qs + caseName(info.xattrsStatus) + u" ("_qs +
                 QString::number(info.xattrLength) + u" bytes of names)"_qs;
    for (const auto& attr : info.prettyAttrs) {
        lines << u"    "_qs + visible(attr.label);
        for (const auto& detail : attr.details.value_or(QStringList())) {
            lines << u"      "_qs + visible(detail);
        }
    }
    for (const auto& [name, value] : info.xattrs) {
        lines << u"    "_qs + visible(name) + u": "_qs + value;
    }
    for (const auto& warning : info.warnings) {
        lines << u"  Warning:     "_qs + visible(warning);
    }
    if (info.criticalError)
        lines << u"  Critical:    "_qs + *info.criticalError;
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
                record.insert(u"why"_qs, whyJson(*explanation));
                record.insert(
                    u"whyFor"_qs,
                    QJsonObject{{u"name"_qs, explanation->accountName},
                                {u"uid"_qs, static_cast<qint64>(why->account.uid)},
                                {u"securityModules"_qs,
                                 QJsonArray::fromStringList(explanation->securityModules)},
                                {u"noPermissionSupport"_qs,
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
