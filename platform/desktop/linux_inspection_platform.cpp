#include "linux_inspection_platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <QFile>

#include "platform/path_text.h"

namespace gw::platform {
namespace {

constexpr qsizetype kSniffBytes = 8192;

QString capitalised(QString text) {
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return text;
}

Timestamp timestampOf(const timespec& ts) {
    using namespace std::chrono;
    return Timestamp(duration_cast<nanoseconds>(seconds(ts.tv_sec)) + nanoseconds(ts.tv_nsec));
}

// Reads the start of a regular file without blocking: a FIFO or a /proc
// file that would wait answers with what it has, or nothing.
QByteArray firstBytes(const Item& item) {
    if (item.kind() != FileKind::Regular || item.ioFd() < 0) {
        return {};
    }
    QByteArray data(kSniffBytes, Qt::Uninitialized);
    const ssize_t got = ::pread(item.ioFd(), data.data(), static_cast<size_t>(data.size()), 0);
    data.resize(got > 0 ? got : 0);
    return data;
}

}  // namespace

void LinuxInspectionPlatform::beginInspection() {
    // A look taken outside any scope is already stale: a gathering starts
    // from a fresh one.
    if (scopeDepth_++ == 0) {
        looked_.reset();
    }
}

void LinuxInspectionPlatform::endInspection() {
    if (--scopeDepth_ == 0) {
        looked_.reset();
    }
}

LinuxInspectionPlatform::Opened* LinuxInspectionPlatform::look(const std::string& path) {
    if (scopeDepth_ > 0 && looked_ && looked_->path == path) {
        return &*looked_;
    }
    looked_.reset();
    auto item = files_.open(path);
    if (!item) {
        return nullptr;
    }
    auto facts = readFileFacts(*item);
    if (!facts) {
        return nullptr;
    }
    looked_.emplace(Opened{path, std::move(item.value()), *facts, std::nullopt, std::nullopt});
    return &*looked_;
}

const std::optional<QMimeType>& LinuxInspectionPlatform::mimeOf(Opened& opened) {
    if (!opened.mime) {
        opened.mime = mimeTypeOf(opened.item, opened.facts);
    }
    return *opened.mime;
}

const std::optional<bool>& LinuxInspectionPlatform::readOnlyVolumeOf(Opened& opened) {
    if (!opened.readOnlyVolume) {
        const auto readOnly = volumeIsReadOnly(opened.item.descriptorPath());
        opened.readOnlyVolume = readOnly ? std::optional<bool>(*readOnly) : std::nullopt;
    }
    return *opened.readOnlyVolume;
}

QString LinuxInspectionPlatform::loginName() {
    return QString::fromStdString(accounts_.loginName());
}

QString LinuxInspectionPlatform::displayName(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(lastPathComponent(path)));
}

bool LinuxInspectionPlatform::isDeletable(const std::string& path) {
    return gw::platform::isDeletable(path);
}

std::optional<QMimeType> LinuxInspectionPlatform::mimeTypeOf(const Item& item,
                                                             const FileFacts& facts) {
    const QString name =
        QFile::decodeName(QByteArray::fromStdString(lastPathComponent(item.path())));
    switch (facts.kind) {
        case FileKind::SymbolicLink:
            return std::nullopt;
        case FileKind::Directory:
            return mimeDatabase_.mimeTypeForName(QStringLiteral("inode/directory"));
        case FileKind::Fifo:
            return mimeDatabase_.mimeTypeForName(QStringLiteral("inode/fifo"));
        case FileKind::Socket:
            return mimeDatabase_.mimeTypeForName(QStringLiteral("inode/socket"));
        case FileKind::CharDevice:
            return mimeDatabase_.mimeTypeForName(QStringLiteral("inode/chardevice"));
        case FileKind::BlockDevice:
            return mimeDatabase_.mimeTypeForName(QStringLiteral("inode/blockdevice"));
        case FileKind::Regular:
        case FileKind::Other:
            break;
    }
    if (facts.kind == FileKind::Regular && facts.size == 0) {
        return mimeDatabase_.mimeTypeForFileNameAndData(name, QByteArray());
    }
    return mimeDatabase_.mimeTypeForFileNameAndData(name, firstBytes(item));
}

std::optional<QString> LinuxInspectionPlatform::iconName(const std::string& path) {
    Opened* opened = look(path);
    if (!opened) {
        return std::nullopt;
    }
    if (opened->facts.kind == FileKind::SymbolicLink) {
        return QStringLiteral("emblem-symbolic-link");
    }
    const auto& mime = mimeOf(*opened);
    if (!mime || !mime->isValid()) {
        return std::nullopt;
    }
    return mime->iconName();
}

std::optional<AttributeDictionary> LinuxInspectionPlatform::attributes(const std::string& path) {
    Opened* opened = look(path);
    if (!opened) {
        return std::nullopt;
    }
    const Item* item = &opened->item;
    const FileFacts* facts = &opened->facts;
    AttributeDictionary dictionary;
    dictionary.ownerAccountName = QString::fromStdString(accounts_.userName(facts->uid));
    dictionary.groupOwnerAccountName = QString::fromStdString(accounts_.groupName(facts->gid));
    dictionary.posixPermissions = facts->mode;
    dictionary.immutable = facts->immutable ? 1 : 0;
    dictionary.size = facts->size;
    dictionary.identity = item->identity();
    switch (facts->kind) {
        case FileKind::Directory:
            dictionary.fileType = AttributeDictionary::FileType::Directory;
            break;
        case FileKind::SymbolicLink:
            dictionary.fileType = AttributeDictionary::FileType::SymbolicLink;
            break;
        case FileKind::Regular:
            dictionary.fileType = AttributeDictionary::FileType::Regular;
            break;
        default:
            dictionary.fileType = AttributeDictionary::FileType::Other;
            break;
    }
    if (const auto names = xattrs_.names(*item); names && !names->empty()) {
        AttributeDictionary::Xattrs values;
        for (const auto& name : *names) {
            const auto value = xattrs_.value(*item, name);
            values.emplace_back(QString::fromStdString(name),
                                value ? std::optional<QByteArray>(QByteArray(
                                            value->data(), static_cast<qsizetype>(value->size())))
                                      : std::nullopt);
        }
        dictionary.extendedAttributes = std::move(values);
    }
    return dictionary;
}

std::optional<ResourceValues> LinuxInspectionPlatform::resourceValues(const std::string& path) {
    Opened* opened = look(path);
    if (!opened) {
        return std::nullopt;
    }
    const FileFacts* facts = &opened->facts;
    ResourceValues values;
    if (const auto& mime = mimeOf(*opened); mime && mime->isValid()) {
        values.localizedTypeDescription = capitalised(mime->comment());
    }
    values.isSystemImmutable = facts->appendOnly;
    values.isAliasFile = false;
    values.attributeModificationDate = timestampOf(facts->statusChanged);
    values.isVolume = facts->mountRoot || parentPath(path) == path;
    values.volumeIsReadOnly = readOnlyVolumeOf(*opened);
    values.isReadable = ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
    return values;
}

int64_t LinuxInspectionPlatform::xattrNameListLength(const std::string& path) {
    Opened* opened = look(path);
    return opened ? xattrs_.nameListLength(opened->item) : -1;
}

Result<std::optional<std::string>> LinuxInspectionPlatform::aclText(const std::string& path) {
    Opened* opened = look(path);
    if (!opened) {
        return SysError::fromErrno(errno);
    }
    return readAclText(opened->item, opened->facts, accounts_);
}

std::optional<QString> LinuxInspectionPlatform::kindForExtension(const QString& extension) {
    const QMimeType mime =
        mimeDatabase_.mimeTypeForFile(u"name."_qs + extension, QMimeDatabase::MatchExtension);
    if (!mime.isValid() || mime.isDefault()) {
        return std::nullopt;
    }
    return capitalised(mime.comment());
}

QString LinuxInspectionPlatform::iconNameForFileName(const QString& name) {
    return mimeDatabase_.mimeTypeForFile(name, QMimeDatabase::MatchExtension).iconName();
}

std::optional<AccessValues> LinuxInspectionPlatform::accessValues(const std::string& path) {
    Opened* opened = look(path);
    if (!opened) {
        return std::nullopt;
    }
    const FileFacts* facts = &opened->facts;
    AccessValues values;
    values.isDirectory = facts->kind == FileKind::Directory;
    bool application = false;
    if (facts->kind == FileKind::Regular) {
        const auto& mime = mimeOf(*opened);
        application = mime && (mime->inherits(QStringLiteral("application/x-executable")) ||
                               mime->name() == u"application/vnd.appimage"_qs);
    }
    values.isApplication = application;
    const AccessJudgement access = judgeAccess(path, facts->appendOnly);
    values.isReadable = access.readable;
    values.isWritable = access.writable;
    values.isExecutable = access.executable;
    values.volumeIsReadOnly = readOnlyVolumeOf(*opened);
    values.isVolume = facts->mountRoot;
    values.isPackage = false;
    return values;
}

}  // namespace gw::platform
