#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

#include "platform/item.h"
#include "platform/sys_error.h"

namespace gw::platform {

using Timestamp = std::chrono::sys_time<std::chrono::nanoseconds>;

// The file manager's attribute dictionary for one item (its final link not
// followed). Every value may be absent.
struct AttributeDictionary {
    enum class FileType { Regular, Directory, SymbolicLink, Other };
    std::optional<QString> ownerAccountName;
    std::optional<QString> groupOwnerAccountName;
    std::optional<unsigned> posixPermissions;
    std::optional<int> immutable;  // 1 when the lock is set
    std::optional<int64_t> size;
    std::optional<FileType> fileType;
    std::optional<uint32_t> hfsTypeCode;
    // Which inode was looked at, so that a later change can insist on it.
    std::optional<ItemIdentity> identity;
    // Attribute name to value; no value where it could not be read.
    using Xattrs = std::vector<std::pair<QString, std::optional<QByteArray>>>;
    std::optional<Xattrs> extendedAttributes;
};

// A location's resource values, as one request.
struct ResourceValues {
    std::optional<QString> localizedTypeDescription;
    std::optional<bool> isSystemImmutable;
    std::optional<bool> isAliasFile;
    std::optional<Timestamp> attributeModificationDate;
    std::optional<bool> isVolume;
    std::optional<bool> volumeIsReadOnly;
    std::optional<bool> mayHaveExtendedAttributes;
    std::optional<bool> isReadable;
};

// The values the access verdict is decided from, as one request.
struct AccessValues {
    std::optional<bool> isDirectory;
    std::optional<bool> isApplication;
    std::optional<bool> isReadable;
    std::optional<bool> isWritable;
    std::optional<bool> isExecutable;
    std::optional<bool> volumeIsReadOnly;
    std::optional<bool> isVolume;
    std::optional<bool> isPackage;
};

// Everything the inspection of one item asks of the system. Paths are bytes.
class InspectionPlatform {
  public:
    virtual ~InspectionPlatform() = default;
    virtual QString loginName() = 0;
    virtual QString displayName(const std::string& path) = 0;
    virtual bool isDeletable(const std::string& path) = 0;
    // The icon's name in the desktop theme; none when there is no usable one.
    virtual std::optional<QString> iconName(const std::string& path) = 0;
    virtual std::optional<AttributeDictionary> attributes(const std::string& path) = 0;
    virtual std::optional<int64_t> logicalSize(const std::string& path) = 0;
    virtual std::optional<ResourceValues> resourceValues(const std::string& path) = 0;
    // Byte length of the attribute-name list; -1 when it can't be listed.
    virtual int64_t xattrNameListLength(const std::string& path) = 0;
    // The ACL's text form; no value when the item has no ACL, an error when
    // it could not be looked at.
    virtual Result<std::optional<std::string>> aclText(const std::string& path) = 0;
    virtual std::optional<QString> kindForExtension(const QString& extension) = 0;
    // The theme icon for a file of that name, judged from the name alone (for
    // items that are gone).
    virtual QString iconNameForFileName(const QString& name) = 0;
    virtual std::optional<AccessValues> accessValues(const std::string& path) = 0;

    // Between these, the answers may come from one look at the item: a
    // gathering reads a consistent snapshot and opens the item once.
    virtual void beginInspection() {}
    virtual void endInspection() {}
};

// One gathering's scope.
class InspectionScope {
  public:
    explicit InspectionScope(InspectionPlatform& platform) : platform_(platform) {
        platform_.beginInspection();
    }
    ~InspectionScope() { platform_.endInspection(); }
    InspectionScope(const InspectionScope&) = delete;
    InspectionScope& operator=(const InspectionScope&) = delete;

  private:
    InspectionPlatform& platform_;
};

}  // namespace gw::platform
