// Choosing the update among the page body's version entries.
#include <cmath>

#include <QCoreApplication>
#include <QVersionNumber>

#include "basalt/update/page_nodes.h"
#include "basalt/update/vexa_lite.h"
#include "platform/desktop/xml_tree.h"

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
    if (hasClass(node, QStringLiteral("VEXAArchive"))) {
        ArchivePair pair;
        for (const auto& token : classTokens(node)) {
            if (token == u"ass" || token == u"x86" || token == u"ub") {
                pair.tag = token;
            }
        }
        const auto href = page::attributeOf(node, QStringLiteral("href"));
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
    if (hasClass(node, QStringLiteral("VEXAGroup"))) {
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
    const QString date =
        page::attributeOf(entry, QStringLiteral("date")).value_or(QStringLiteral("?"));
    const QString id = page::attributeOf(entry, QStringLiteral("id")).value_or(QStringLiteral("?"));
    const auto minOSText = page::attributeOf(entry, QStringLiteral("minOS"));
    const auto maxOSText = page::attributeOf(entry, QStringLiteral("maxOS"));
    const auto minOS = fullVersion(minOSText);
    const auto maxOS = fullVersion(maxOSText);
    // The text is OSVersion written precisely; a number set on its own wins.
    const QString systemText = !OSVersionText.isEmpty() && OSVersionText.toDouble() == OSVersion
                                   ? OSVersionText
                                   : page::printedNumber(OSVersion);
    const QVersionNumber system = QVersionNumber::fromString(systemText);
    const int64_t build =
        fullInteger(page::attributeOf(entry, QStringLiteral("build"))).value_or(-1);
    std::optional<QString> version;
    std::vector<ArchivePair> archives;
    for (const auto& child : entry.children) {
        collectEntryParts(child, version, archives);
    }

    QString line = QStringLiteral("--- Version ") + version.value_or(QString()) +
                   QStringLiteral("; ") + date + QStringLiteral(" (") + QString::number(build) +
                   QCoreApplication::translate("entry_selection", ") { minOS ") +
                   (minOS ? *minOSText : QStringLiteral("-1"));
    if (maxOS) {
        line += QCoreApplication::translate("entry_selection", ", maxOS ") + *maxOSText;
    }
    log.append(line + QStringLiteral(" }"));

    if (classTokens(entry).contains(QStringLiteral("hidden"))) {
        log.append(QStringLiteral("Reject: hidden"));
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
        log.append(QStringLiteral("Reject: Requires system ") + *minOSText);
        flag = true;
        return;
    }
    if (maxOS && system > *maxOS) {
        log.append(QStringLiteral("Reject: incompatible with system ") + systemText);
        return;
    }
    if (build == -1) {
        invalid("build");
        return;
    }
    if (QSettings* store = preferences()) {
        const QVariantMap ignored = store->value(vexa_key::ignoreVersionInfo).toMap();
        bool isInteger = false;
        const qlonglong ignoredBuild =
            ignored.value(QStringLiteral("buildNumber")).toLongLong(&isInteger);
        if (!ignored.isEmpty() && isInteger && ignoredBuild == build) {
            log.append(QStringLiteral("Reject: build ") + QString::number(build) +
                       QCoreApplication::translate("entry_selection", " is set to be ignored."));
            return;
        }
    }
    if (build == appVersion) {
        log.append(QStringLiteral("Build ") + QString::number(build) +
                   QStringLiteral(" == appVersion ") + QString::number(appVersion));
        if (status == VEXALiteStatus::busy) {
            status = flag ? VEXALiteStatus::noUpdateForThisMac : VEXALiteStatus::upToDate;
            updateDetails.reset();
        }
        return;
    }
    if (build < appVersion) {
        log.append(QStringLiteral("Reject: build ") + QString::number(build) +
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
            log.append(QStringLiteral("Error: Archive URL is invalid. Architecture: ") +
                       pair.tag.value_or(QStringLiteral("?")));
            continue;
        }
        if (!pair.tag) {
            log.append(QStringLiteral("Error: Architecture invalid ") + *pair.address);
            continue;
        }
        if (*pair.tag == architecture || *pair.tag == u"ub") {
            log.append(QStringLiteral("Update: ") + *pair.tag + u' ' + *pair.address);
            if (status == VEXALiteStatus::busy) {
                recordUpdate(
                    {{QStringLiteral("groupID"), id},
                     {QStringLiteral("displayVersion"), version.value_or(QString())},
                     {QStringLiteral("buildNumber"), QVariant::fromValue<qlonglong>(build)}});
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
        log.append(QStringLiteral("Failed to get the prefs for ") + bundleIdentifier);
        return;
    }
    store->setValue(vexa_key::currentUpdateInfo, details);
    store->setValue(vexa_key::updateAvailable, true);
    log.append(QStringLiteral("Update Available: ") + detailsText(details));
}

}  // namespace basalt
