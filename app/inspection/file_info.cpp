#include "file_info.h"

#include <QCoreApplication>

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

}  // namespace gw::inspection
