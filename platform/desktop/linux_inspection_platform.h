#pragma once

#include <QMimeDatabase>

#include "platform/accounts.h"
#include "platform/desktop/inspection_platform.h"
#include "platform/file_facts.h"
#include "platform/xattr_view.h"

namespace gw::platform {

class LinuxInspectionPlatform final : public InspectionPlatform {
  public:
    QString loginName() override;
    QString displayName(const std::string& path) override;
    bool isDeletable(const std::string& path) override;
    std::optional<QString> iconName(const std::string& path) override;
    std::optional<AttributeDictionary> attributes(const std::string& path) override;
    std::optional<int64_t> logicalSize(const std::string&) override { return std::nullopt; }
    std::optional<ResourceValues> resourceValues(const std::string& path) override;
    int64_t xattrNameListLength(const std::string& path) override;
    Result<std::optional<std::string>> aclText(const std::string& path) override;
    std::optional<QString> kindForExtension(const QString& extension) override;
    QString iconNameForFileName(const QString& name) override;
    std::optional<AccessValues> accessValues(const std::string& path) override;

    void beginInspection() override;
    void endInspection() override;

  private:
    struct Opened {
        std::string path;
        Item item;
        FileFacts facts;
        std::optional<std::optional<QMimeType>> mime;       // computed on first use
        std::optional<std::optional<bool>> readOnlyVolume;  // likewise
        std::optional<std::optional<QByteArray>> head;      // likewise: the first bytes
    };
    // The item and its facts: from the current scope's one look when there
    // is one, else freshly. Null when the item can't be opened.
    Opened* look(const std::string& path);
    const std::optional<QMimeType>& mimeOf(Opened& opened);
    const std::optional<bool>& readOnlyVolumeOf(Opened& opened);
    // An ELF program or an AppImage, never a script or a library.
    bool isProgram(Opened& opened);

    // The MIME type of an item, from its name and (for regular files) its
    // first bytes, read without ever blocking. None for symbolic links.
    std::optional<QMimeType> mimeTypeOf(Opened& opened);
    const std::optional<QByteArray>& headOf(Opened& opened);

    LinuxAccounts accounts_;
    LinuxItemFiles files_;
    LinuxXattrView xattrs_;
    QMimeDatabase mimeDatabase_;
    int scopeDepth_ = 0;
    std::optional<Opened> looked_;
};

}  // namespace gw::platform
