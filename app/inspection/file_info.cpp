#include "app/inspection/file_info.h"

#include <plist/plist.h>

#include <limits>
#include <memory>
#include <ostream>

#include <QCoreApplication>
#include <QStringDecoder>
#include <QUrl>

#include "basalt/diagnostics.h"
#include "platform/path_text.h"

using namespace Qt::StringLiterals;

namespace gw::inspection {

namespace {

using platform::AttributeDictionary;

constexpr uint32_t kAliasTypeCode = 0x616C6973;  // "alis"

bool sizeRuleApplies(bool folder, int64_t size) {
    return folder || size == 0;
}

}  // namespace

FileInfo::FileInfo(const std::optional<std::string>& location, InspectionPlatform& platform) {
    if (!location) {
        return;
    }
    const platform::InspectionScope scope(platform);
    const std::string& path = *location;
    name = platform.displayName(path);
    isDeletable = platform.isDeletable(path);
    url = path;
    icon = platform.iconName(path);

    if (const auto attributes = platform.attributes(path)) {
        if (attributes->ownerAccountName)
            owner.name = *attributes->ownerAccountName;
        if (attributes->groupOwnerAccountName)
            group.name = *attributes->groupOwnerAccountName;
        if (const auto mode = attributes->posixPermissions) {
            owner.apply(*mode, 6);
            group.apply(*mode, 3);
            other.apply(*mode, 0);
        }
        lockedUser = attributes->immutable == 1 ? variableValue::yes : variableValue::no;
        if (attributes->size)
            size = *attributes->size;
        identity = attributes->identity;
        if (attributes->fileType == AttributeDictionary::FileType::Directory) {
            typeIsFolder = true;
        } else if (attributes->fileType == AttributeDictionary::FileType::SymbolicLink) {
            typeIsSymbolicLink = true;
        } else if (attributes->hfsTypeCode == kAliasTypeCode) {
            typeIsResolvable = true;
        }
        readExtendedAttributes(*attributes, platform);
    }

    if (sizeRuleApplies(typeIsFolder, size)) {
        if (const auto logical = platform.logicalSize(path))
            size = *logical;
    }

    prettyACLS.clear();
    readACL(platform);

    if (const auto values = platform.resourceValues(path)) {
        if (values->localizedTypeDescription)
            typeName = *values->localizedTypeDescription;
        applySystemLock(*values);
        if (values->isAliasFile)
            typeIsResolvable = *values->isAliasFile;
        if (values->isVolume == true)
            criticalError = QCoreApplication::translate("file_info", "Will not reset a volume");
        if (values->volumeIsReadOnly == true) {
            criticalError = QCoreApplication::translate("file_info", "Volume locked");
            lockedVolume = true;
        }
        applyUnlistableXattrRule(*values);
        // The same request answers the date the next step asks for alone.
        attributesModified = values->attributeModificationDate;
    }

    typeName = resolveTypeName(path, typeName, platform);
    if (typeIsSymbolicLink) {
        typeIsResolvable = true;
    }
    finish(platform);
}

void FileInfo::refresh(InspectionPlatform& platform) {
    if (!url) {
        return;
    }
    const platform::InspectionScope scope(platform);
    const std::string path = *url;
    bool changed = false;
    QString newTypeName = u"Unknown"_s;
    int64_t newSize = 0;
    const int64_t previousSize = size;

    warnings.clear();
    const QString newName = platform.displayName(path);
    isDeletable = platform.isDeletable(path);

    if (const auto attributes = platform.attributes(path)) {
        if (attributes->ownerAccountName && *attributes->ownerAccountName != owner.name) {
            owner.name = *attributes->ownerAccountName;
            changed = true;
        }
        if (attributes->groupOwnerAccountName && *attributes->groupOwnerAccountName != group.name) {
            group.name = *attributes->groupOwnerAccountName;
            changed = true;
        }
        if (const auto mode = attributes->posixPermissions) {
            unsigned stored = 0;
            owner.addBits(stored, 6);
            group.addBits(stored, 3);
            other.addBits(stored, 0);
            // Special bits never compose back, so an item carrying them reads
            // as changed on every refresh; that only costs an icon lookup.
            if (stored != *mode) {
                owner.apply(*mode, 6);
                group.apply(*mode, 3);
                other.apply(*mode, 0);
                changed = true;
            }
        }
        const variableValue lock =
            attributes->immutable == 1 ? variableValue::yes : variableValue::no;
        if (lockedUser != lock) {
            lockedUser = lock;
            changed = true;
        }
        newSize = attributes->size.value_or(0);
        if (platform.xattrNameListLength(path) != xattrLength) {
            xattrs.clear();
            prettyAttrs.clear();
            readExtendedAttributes(*attributes, platform);
        }
    } else {
        xattrs.clear();
        prettyAttrs.clear();
        xattrLength = -1;
        lockedUser = variableValue::unknown;
        xattrsStatus = FileXattrStatus::unknown;
    }

    if (sizeRuleApplies(typeIsFolder, previousSize)) {
        if (const auto logical = platform.logicalSize(path))
            newSize = *logical;
    }

    prettyACLS.clear();
    readACL(platform);

    if (const auto values = platform.resourceValues(path)) {
        if (values->localizedTypeDescription)
            newTypeName = *values->localizedTypeDescription;
        applySystemLock(*values);
        if (values->attributeModificationDate) {
            attributesModified = values->attributeModificationDate;
        }
        applyUnlistableXattrRule(*values);
    }
    if (newTypeName == u"Unknown"_s) {
        newTypeName = resolveTypeName(path, u"Unknown"_s, platform);
    }
    if (newSize != size) {
        size = newSize;
    }
    if (newName != name) {
        name = newName;
        changed = true;
    }
    bool fetchIcon = changed;
    if (newTypeName != typeName) {
        typeName = newTypeName;
        fetchIcon = true;
    }
    if (fetchIcon) {
        if (auto newIcon = platform.iconName(path))
            icon = std::move(newIcon);
    }
    finish(platform);
}

void FileInfo::applySystemLock(const platform::ResourceValues& values) {
    if (values.isSystemImmutable) {
        lockedSystem = *values.isSystemImmutable ? variableValue::yes : variableValue::no;
    }
}

// An item that may carry attributes but could not be read nor listed has
// attributes nobody can tell.
void FileInfo::applyUnlistableXattrRule(const platform::ResourceValues& values) {
    if (values.mayHaveExtendedAttributes == true && values.isReadable != true && xattrLength <= 0) {
        xattrsStatus = FileXattrStatus::unknown;
    }
}

void FileInfo::finish(InspectionPlatform& platform) {
    ownedByMe = owner.name == platform.loginName();
    infoSummary = byteCountText(size) + u", "_s + typeName;
    buildAccessSummary(platform);
    warningsHave = !warnings.isEmpty();
}

// What the item's type is called and what the user may do with it.

namespace {

bool startsWith(const std::string& path, const char* prefix) {
    return path.rfind(prefix, 0) == 0;
}

std::pair<variableValue, QString> decide(const platform::AccessValues& v, const QString& kind,
                                         variableValue lockedUser) {
    const auto is = [](const std::optional<bool>& value) { return value == true; };
    using V = variableValue;
    if (is(v.isApplication)) {
        if (!is(v.isExecutable))
            return {V::error,
                    QCoreApplication::translate("access_summary", "Not able to run ") + kind};
        // A program runs without being read (mode 711): usable, with a caveat.
        if (!is(v.isReadable))
            return {V::yesButAlso,
                    QCoreApplication::translate("access_summary", "You can run this ") + kind +
                        QCoreApplication::translate("access_summary", ", but not read it")};
        return {V::yes, QCoreApplication::translate("access_summary", "You can use this ") + kind};
    }
    if (is(v.isDirectory) && !is(v.isPackage)) {
        if (!is(v.isExecutable))
            return {V::error,
                    QCoreApplication::translate("access_summary", "Not able to open ") + kind};
        if (!is(v.isReadable))
            return {
                V::error,
                QCoreApplication::translate("access_summary", "Not able to see inside ") + kind};
        // A read-only disk refuses every write: say so before the write check,
        // which it makes fail too.
        if (is(v.volumeIsReadOnly))
            return {V::error,
                    QCoreApplication::translate("access_summary", "Disk locked, can't save to ") +
                        kind};
        if (!is(v.isWritable))
            return {
                V::error,
                QCoreApplication::translate("access_summary", "Not able to save files to ") + kind};
        return {
            V::yes,
            QCoreApplication::translate("access_summary", "You can open & save files to ") + kind};
    }
    if (!is(v.isReadable))
        return {V::error, QCoreApplication::translate("access_summary", "Not able to open item")};
    if (is(v.volumeIsReadOnly))
        return {V::error,
                QCoreApplication::translate("access_summary", "Disk locked, can't save changes")};
    if (is(v.isWritable))
        return {V::yes,
                QCoreApplication::translate("access_summary", "You can open & save changes")};
    if (lockedUser == V::yes)
        return {V::error,
                QCoreApplication::translate("access_summary", "Locked, can't save changes")};
    return {V::error, QCoreApplication::translate("access_summary", "Not able to save changes")};
}

}  // namespace

bool isInSystemArea(const std::string& path) {
    if (startsWith(path, "/usr/")) {
        return !startsWith(path, "/usr/local/");
    }
    return startsWith(path, "/System/") || startsWith(path, "/boot/") ||
           startsWith(path, "/proc/") || startsWith(path, "/sys/");
}

QString FileInfo::resolveTypeName(const std::string& location, const QString& current,
                                  InspectionPlatform& platform) const {
    if (current != u"Unknown"_s) {
        return current;
    }
    const QString extension = QString::fromStdString(platform::pathExtension(location));
    QString result;
    if (extension.isEmpty()) {
        if (typeIsFolder) {
            result = u"Folder"_s;
        } else if (typeIsResolvable) {
            result = typeIsSymbolicLink
                         ? QCoreApplication::translate("access_summary", "Unknown File Type")
                         : u"Alias"_s;
        } else {
            result = QCoreApplication::translate("access_summary", "Unknown File Type");
        }
    } else if (const auto kind = platform.kindForExtension(extension)) {
        result = *kind;
    } else {
        result = extension == u"app"_s ? u"Application"_s : u"Unknown File Type"_s;
    }
    if (typeIsSymbolicLink) {
        result = QCoreApplication::translate("access_summary", "Symbolic Link");
    }
    return result;
}

void FileInfo::buildAccessSummary(InspectionPlatform& platform) {
    if (!url) {
        return;
    }
    const auto values = platform.accessValues(*url);
    if (!values) {
        accessSummary = {variableValue::error, QCoreApplication::translate(
                                                   "access_summary", "Unable to determine access")};
        return;
    }
    accessSummary = decide(*values, typeName, lockedUser);
    if (isInSystemArea(*url)) {
        accessSummary = {variableValue::yesButAlso,
                         accessSummary.second +
                             QCoreApplication::translate(
                                 "access_summary", ", may not be able to adjust permissions.")};
    }
}

// The access control list, one entry per line of the platform's text.

void FileInfo::readACL(InspectionPlatform& platform) {
    if (!url) {
        return;
    }
    const auto text = platform.aclText(*url);
    if (!text) {
        ACLStatus = FileACLStatus::unknown;
        return;
    }
    if (!text->has_value()) {
        ACLStatus = FileACLStatus::noACLs;
        return;
    }
    const QStringList lines = QString::fromStdString(**text).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.startsWith(u'!')) {
            continue;
        }
        basalt::diagnostics() << line.toStdString() << '\n';
        prettyACLS.push_back(parseACLLine(line));
    }
    applyMasks(prettyACLS);
    if (!prettyACLS.empty()) {
        ACLStatus = FileACLStatus::hasACLs;
    } else if (!lines.isEmpty()) {
        ACLStatus = FileACLStatus::hasACLdetritus;
    }
}

// The extended attributes, decoded for reading.

namespace {

const QString kWhereFroms = u"com.apple.metadata:kMDItemWhereFroms"_s;
const QString kQuarantine = u"com.apple.quarantine"_s;
const QString kConsent = u"com.apple.macl"_s;
const QString kVendor = u"com.apple.appstore.vendor_name"_s;
const QString kOriginUrl = u"xdg.origin.url"_s;
const QString kReferrerUrl = u"xdg.referrer.url"_s;
const QString kDownloadSymbol = u"square.and.arrow.down"_s;

// Decoding failed: the text Foundation gives for data that is not a
// property list.
const QString kNotAPropertyList = QCoreApplication::translate(
    "read_xattrs", "The data couldn\u2019t be read because it isn\u2019t in the correct format.");

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

// One address is never this long; a longer entry is not one.
constexpr qsizetype kMaxEntryBytes = 1 << 20;

}  // namespace

std::optional<QStringList> decodePropertyListTexts(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    plist_t raw = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &raw);
    const PlistPtr root(raw);
    if (!root) {
        return std::nullopt;
    }
    QStringList entries;
    if (plist_get_node_type(root.get()) != PLIST_ARRAY) {
        return entries;
    }
    const uint32_t count = plist_array_get_size(root.get());
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(root.get(), i);
        if (plist_get_node_type(item) != PLIST_STRING) {
            return QStringList();
        }
        // Read with its length: a string holding a NUL byte is data, and
        // libplist's copying getter aborts on it.
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(item, &length);
        const QByteArray utf8(text ? text : "", text ? static_cast<qsizetype>(length) : 0);
        if (utf8.contains('\0') || length > static_cast<uint64_t>(kMaxEntryBytes)) {
            return std::nullopt;  // not a list of texts: the attribute's warning applies
        }
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString entry = decoder.decode(utf8);
        if (decoder.hasError()) {
            return std::nullopt;
        }
        entries.append(entry);
    }
    return entries;
}

namespace {

PrettyAttribute downloadOrigin(const QStringList& entries) {
    const QUrl location(entries.first(), QUrl::StrictMode);
    if (location.isValid() && !location.host().isEmpty()) {
        return PrettyAttribute{
            kDownloadSymbol,
            QCoreApplication::translate("read_xattrs", "From: ") + location.host(),
            entries,
            {}};
    }
    return PrettyAttribute{kDownloadSymbol,
                           QCoreApplication::translate("read_xattrs", "From ") + entries.first(),
                           {},
                           {}};
}

}  // namespace

void FileInfo::readExtendedAttributes(const platform::AttributeDictionary& attributes,
                                      InspectionPlatform& platform) {
    const int64_t length = url ? platform.xattrNameListLength(*url) : -1;
    xattrLength = length;
    xattrs.clear();
    prettyAttrs.clear();
    xattrsStatus = length >= 1   ? FileXattrStatus::hasXattrs
                   : length == 0 ? FileXattrStatus::noXattrs
                                 : FileXattrStatus::unknown;
    if (!attributes.extendedAttributes) {
        return;
    }
    const auto& dictionary = *attributes.extendedAttributes;
    const auto valueOf = [&](const QString& wanted) -> const std::optional<QByteArray>* {
        for (const auto& [key, value] : dictionary) {
            if (key == wanted)
                return &value;
        }
        return nullptr;
    };
    const auto* origin = valueOf(kOriginUrl);
    const bool originExplained = origin && origin->has_value();

    for (const auto& [attribute, value] : dictionary) {
        if (attribute == kQuarantine) {
            continue;
        }
        if (attribute == kConsent) {
            prettyAttrs.push_back(PrettyAttribute{
                u"lock.shield"_s,
                QCoreApplication::translate("read_xattrs", "Privacy: App Consent tag"),
                {},
                u"This file has been approved to work with certain applications without "
                "asking for permission. Not much is currently available yet."_s});
            continue;
        }
        if (!value) {
            xattrs.emplace_back(attribute, u"Unknown"_s);
            continue;
        }
        if (attribute == kWhereFroms) {
            const auto entries = decodePropertyListTexts(*value);
            if (!entries) {
                warnings.append(QCoreApplication::translate("read_xattrs", "WhereFroms: ") +
                                kNotAPropertyList);
            } else if (entries->isEmpty()) {
                xattrs.emplace_back(attribute, attributeSizeText(value->size()));
            } else {
                prettyAttrs.push_back(downloadOrigin(*entries));
            }
        } else if (attribute == kVendor) {
            prettyAttrs.push_back(PrettyAttribute{
                u"building.2.crop.circle"_s,
                QCoreApplication::translate("read_xattrs", "Vendor: ") + QString::fromUtf8(*value),
                {},
                {}});
        } else if (attribute == kOriginUrl) {
            // Browsers on Linux record where a download came from, and the
            // page that linked to it, as two plain-text attributes.
            QStringList entries{QString::fromUtf8(*value)};
            if (const auto* referrer = valueOf(kReferrerUrl); referrer && referrer->has_value()) {
                entries.append(QString::fromUtf8(**referrer));
            }
            prettyAttrs.push_back(downloadOrigin(entries));
        } else if (attribute == kReferrerUrl && originExplained) {
            continue;  // shown as the origin's second line
        } else {
            xattrs.emplace_back(attribute, attributeSizeText(value->size()));
        }
    }
}

}  // namespace gw::inspection
