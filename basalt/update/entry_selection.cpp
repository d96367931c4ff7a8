// Choosing the update among the page body's version entries.
#include <cmath>

#include <QCoreApplication>
#include <QVersionNumber>

#include "basalt/update/page_nodes.h"
#include "basalt/update/vexa_lite.h"
#include "platform/desktop/xml_tree.h"

using namespace Qt::StringLiterals;

namespace basalt {

namespace {

using gw::platform::XmlNode;

QStringList classTokens(const XmlNode& node) {
    for (const auto& attr : node.attributes) {
        if (attr.qualifiedName() == u"class") {
            return attr.value().toString().split(u' ', Qt::SkipEmptyParts);
        }
    }
    return {};
}

bool hasClass(const XmlNode& node, const QString& token) {
    return node.kind == XmlNode::Kind::Element && classTokens(node).contains(token);
}

// The whole text as a number, nothing around it: " 11.0" is no number.
std::optional<double> fullNumber(const std::optional<QString>& text) {
    if (!text || text->isEmpty() || text->front().isSpace() || text->back().isSpace()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = text->toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// A version written as numbers and dots ("6.18"), nothing before or after.
std::optional<QVersionNumber> fullVersion(const std::optional<QString>& text) {
    if (!text || text->isEmpty() || !fullNumber(text)) {
        return std::nullopt;
    }
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(*text, &suffix);
    if (version.isNull() || suffix != text->size()) {
        return std::nullopt;
    }
    return version;
}

std::optional<int64_t> fullInteger(const std::optional<QString>& text) {
    if (!text || text->isEmpty() || text->front().isSpace() || text->back().isSpace()) {
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = text->toLongLong(&ok, 10);
    return ok ? std::optional<int64_t>(value) : std::nullopt;
}

struct ArchivePair {
    std::optional<QString> tag;
    std::optional<QString> address;
};

void collectEntryParts(const XmlNode& node, std::optional<QString>& version,
                       std::vector<ArchivePair>& archives) {
    if (node.kind != XmlNode::Kind::Element) {
        return;
    }
    if (node.localName() == u"vexagroupversion") {
        version = gw::platform::textContent(node);
        return;
    }
    if (hasClass(node, u"VEXAArchive"_s)) {
        ArchivePair pair;
        for (const auto& token : classTokens(node)) {
            if (token == u"ass" || token == u"x86" || token == u"ub") {
                pair.tag = token;
            }
        }
        const auto href = page::attributeOf(node, u"href"_s);
        if (href && !href->trimmed().isEmpty()) {
            pair.address = href;
        }
        archives.push_back(std::move(pair));
        return;
    }
    for (const auto& child : node.children) {
        collectEntryParts(child, version, archives);
    }
}

}  // namespace

void VEXALite::scanNode(const XmlNode& node, bool& flag) {
    if (hasClass(node, u"VEXAGroup"_s)) {
        examineEntry(node, flag);
        return;
    }
    for (const auto& child : node.children) {
        if (status != VEXALiteStatus::busy) {
            return;
        }
        scanNode(child, flag);
    }
}

void VEXALite::examineEntry(const XmlNode& entry, bool& flag) {
    const QString date = page::attributeOf(entry, u"date"_s).value_or(u"?"_s);
    const QString id = page::attributeOf(entry, u"id"_s).value_or(u"?"_s);
    const auto minOSText = page::attributeOf(entry, u"minOS"_s);
    const auto maxOSText = page::attributeOf(entry, u"maxOS"_s);
    const auto minOS = fullVersion(minOSText);
    const auto maxOS = fullVersion(maxOSText);
    // The text is OSVersion written precisely; a number set on its own wins.
    const QString systemText = !OSVersionText.isEmpty() && OSVersionText.toDouble() == OSVersion
                                   ? OSVersionText
                                   : page::printedNumber(OSVersion);
    const QVersionNumber system = QVersionNumber::fromString(systemText);
    const int64_t build = fullInteger(page::attributeOf(entry, u"build"_s)).value_or(-1);
    std::optional<QString> version;
    std::vector<ArchivePair> archives;
    for (const auto& child : entry.children) {
        collectEntryParts(child, version, archives);
    }

    QString line = u"--- Version "_s + version.value_or(QString()) + u"; "_s + date + u" ("_s +
                   QString::number(build) +
                   QCoreApplication::translate("entry_selection", ") { minOS ") +
                   (minOS ? *minOSText : u"-1"_s);
    if (maxOS) {
        line += QCoreApplication::translate("entry_selection", ", maxOS ") + *maxOSText;
    }
    log.append(line + u" }"_s);

    if (classTokens(entry).contains(u"hidden"_s)) {
        log.append(u"Reject: hidden"_s);
        return;
    }
    const auto invalid = [&](const char* what) {
        recordError(QCoreApplication::translate("entry_selection", "Group ") + id +
                        QCoreApplication::translate("entry_selection", " invalid ") +
                        QString::fromLatin1(what),
                    false);
    };
    if (!minOS) {
        invalid("minOS");
        return;
    }
    if (system < *minOS) {
        log.append(u"Reject: Requires system "_s + *minOSText);
        flag = true;
        return;
    }
    if (maxOS && system > *maxOS) {
        log.append(u"Reject: incompatible with system "_s + systemText);
        return;
    }
    if (build == -1) {
        invalid("build");
        return;
    }
    if (QSettings* store = preferences()) {
        const QVariantMap ignored = store->value(vexa_key::ignoreVersionInfo).toMap();
        bool isInteger = false;
        const qlonglong ignoredBuild = ignored.value(u"buildNumber"_s).toLongLong(&isInteger);
        if (!ignored.isEmpty() && isInteger && ignoredBuild == build) {
            log.append(u"Reject: build "_s + QString::number(build) +
                       QCoreApplication::translate("entry_selection", " is set to be ignored."));
            return;
        }
    }
    if (build == appVersion) {
        log.append(u"Build "_s + QString::number(build) + u" == appVersion "_s +
                   QString::number(appVersion));
        if (status == VEXALiteStatus::busy) {
            status = flag ? VEXALiteStatus::noUpdateForThisMac : VEXALiteStatus::upToDate;
            updateDetails.reset();
        }
        return;
    }
    if (build < appVersion) {
        log.append(u"Reject: build "_s + QString::number(build) +
                   QCoreApplication::translate("entry_selection", " <  appVersion ") +
                   QString::number(appVersion));
        return;
    }
    if (archives.empty()) {
        invalid("VEXAArchive");
        return;
    }
    for (const auto& pair : archives) {
        if (!pair.address) {
            log.append(u"Error: Archive URL is invalid. Architecture: "_s +
                       pair.tag.value_or(u"?"_s));
            continue;
        }
        if (!pair.tag) {
            log.append(u"Error: Architecture invalid "_s + *pair.address);
            continue;
        }
        if (*pair.tag == architecture || *pair.tag == u"ub") {
            log.append(u"Update: "_s + *pair.tag + u' ' + *pair.address);
            if (status == VEXALiteStatus::busy) {
                recordUpdate({{u"groupID"_s, id},
                              {u"displayVersion"_s, version.value_or(QString())},
                              {u"buildNumber"_s, QVariant::fromValue<qlonglong>(build)}});
                return;
            }
            continue;
        }
        flag = true;
    }
}

void VEXALite::recordUpdate(const QVariantMap& details) {
    status = VEXALiteStatus::updateAvailable;
    updateDetails = details;
    QSettings* store = preferences();
    if (!store) {
        log.append(u"Failed to get the prefs for "_s + bundleIdentifier);
        return;
    }
    store->setValue(vexa_key::currentUpdateInfo, details);
    store->setValue(vexa_key::updateAvailable, true);
    log.append(u"Update Available: "_s + detailsText(details));
}

}  // namespace basalt
