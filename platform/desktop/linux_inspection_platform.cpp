#include "linux_inspection_platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <QFile>

#include "platform/path_text.h"

using namespace Qt::StringLiterals;

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
// file that would wait answers with what it has, or nothing. None when the
// content can't be read at all.
std::optional<QByteArray> firstBytes(const Item& item) {
    if (item.kind() != FileKind::Regular || item.ioFd() < 0) {
        return std::nullopt;
    }
    QByteArray data(kSniffBytes, Qt::Uninitialized);
    const ssize_t got = ::pread(item.ioFd(), data.data(), static_cast<size_t>(data.size()), 0);
    if (got < 0) {
        return std::nullopt;
    }
    data.resize(got);
    return data;
}

template <class T>
T readAt(const QByteArray& data, qsizetype offset, bool bigEndian) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
        const auto byte = static_cast<unsigned char>(data[offset + static_cast<qsizetype>(i)]);
        const auto shift = static_cast<unsigned>(8 * (bigEndian ? sizeof(T) - 1 - i : i));
        value = static_cast<T>(value | (static_cast<T>(byte) << shift));
    }
    return value;
}

// A shared object that asks for a program interpreter is a program (every
// PIE is one); a plain library is not.
bool elfHasInterpreter(const QByteArray& data) {
    constexpr uint32_t kInterpreter = 3;  // PT_INTERP
    if (data.size() < 64 || !data.startsWith("\x7f"
                                             "ELF")) {
        return false;
    }
    const bool wide = data[4] == 2;
    const bool big = data[5] == 2;
    const auto phoff = wide ? readAt<uint64_t>(data, 32, big) : readAt<uint32_t>(data, 28, big);
    const auto entrySize = readAt<uint16_t>(data, wide ? 54 : 42, big);
    const auto count = readAt<uint16_t>(data, wide ? 56 : 44, big);
    for (uint16_t i = 0; i < count; ++i) {
        const uint64_t at = phoff + uint64_t{i} * entrySize;
        if (entrySize < 4 || at + 4 > static_cast<uint64_t>(data.size())) {
            return false;
        }
        if (readAt<uint32_t>(data, static_cast<qsizetype>(at), big) == kInterpreter) {
            return true;
        }
    }
    return false;
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
    looked_.emplace(
        Opened{path, std::move(item.value()), *facts, std::nullopt, std::nullopt, std::nullopt});
    return &*looked_;
}

const std::optional<QMimeType>& LinuxInspectionPlatform::mimeOf(Opened& opened) {
    if (!opened.mime) {
        opened.mime = mimeTypeOf(opened);
    }
    return *opened.mime;
}

const std::optional<QByteArray>& LinuxInspectionPlatform::headOf(Opened& opened) {
    if (!opened.head) {
        opened.head = firstBytes(opened.item);
    }
    return *opened.head;
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

std::optional<QMimeType> LinuxInspectionPlatform::mimeTypeOf(Opened& opened) {
    const Item& item = opened.item;
    const FileFacts& facts = opened.facts;
    const QString name =
        QFile::decodeName(QByteArray::fromStdString(lastPathComponent(item.path())));
    switch (facts.kind) {
        case FileKind::SymbolicLink:
            return std::nullopt;
        case FileKind::Directory:
            return mimeDatabase_.mimeTypeForName(u"inode/directory"_s);
        case FileKind::Fifo:
            return mimeDatabase_.mimeTypeForName(u"inode/fifo"_s);
        case FileKind::Socket:
            return mimeDatabase_.mimeTypeForName(u"inode/socket"_s);
        case FileKind::CharDevice:
            return mimeDatabase_.mimeTypeForName(u"inode/chardevice"_s);
        case FileKind::BlockDevice:
            return mimeDatabase_.mimeTypeForName(u"inode/blockdevice"_s);
        case FileKind::Regular:
        case FileKind::Other:
            break;
    }
    // Read even when the size says 0: /proc files have content all the same.
    if (const auto& head = headOf(opened)) {
        return mimeDatabase_.mimeTypeForFileNameAndData(name, *head);
    }
    // The content can't be read: the name tells, or the mode does (an
    // execute bit on a name without extension is a program), or nothing.
    const QMimeType byName = mimeDatabase_.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!byName.isDefault()) {
        return byName;
    }
    if ((facts.mode & 0111) != 0 && pathExtension(item.path()).empty()) {
        return mimeDatabase_.mimeTypeForName(u"application/x-executable"_s);
    }
    return std::nullopt;
}

bool LinuxInspectionPlatform::isProgram(Opened& opened) {
    const auto& mime = mimeOf(opened);
    if (!mime) {
        return false;
    }
    // The type itself, not what it inherits from: shared-mime-info makes
    // scripts, JSON and JavaScript inherit application/x-executable.
    const QString type = mime->name();
    if (type == u"application/x-executable"_s || type == u"application/x-pie-executable"_s ||
        type == u"application/vnd.appimage"_s || type == u"application/x-iso9660-appimage"_s) {
        return true;
    }
    if (type == u"application/x-sharedlib"_s) {
        const auto& head = headOf(opened);
        return head && elfHasInterpreter(*head);
    }
    return false;
}

std::optional<QString> LinuxInspectionPlatform::iconName(const std::string& path) {
    Opened* opened = look(path);
    if (!opened) {
        return std::nullopt;
    }
    if (opened->facts.kind == FileKind::SymbolicLink) {
        return u"emblem-symbolic-link"_s;
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
        mimeDatabase_.mimeTypeForFile(u"name."_s + extension, QMimeDatabase::MatchExtension);
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
    values.isApplication = facts->kind == FileKind::Regular && isProgram(*opened);
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
