#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/desktop/recent_documents.h"
#include "platform/desktop/xml_tree.h"
#include "platform/unique_fd.h"

using namespace Qt::StringLiterals;

namespace gw::platform {

namespace {

const QString kBookmarkNamespace = u"http://www.freedesktop.org/standards/desktop-bookmarks"_s;
const QString kMimeNamespace = u"http://www.freedesktop.org/standards/shared-mime-info"_s;
const QString kMetadataOwner = u"http://freedesktop.org"_s;

// file:// plus the path's bytes percent-encoded: paths need not be UTF-8.
QString hrefFor(const std::string& path) {
    return u"file://"_s +
           QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding("/"));
}

std::optional<std::string> pathFor(const QString& href) {
    const QString scheme = u"file://"_s;
    if (!href.startsWith(scheme)) {
        return std::nullopt;
    }
    QStringView rest = QStringView(href).mid(scheme.size());
    if (!rest.startsWith(u'/')) {
        const qsizetype slash = rest.indexOf(u'/');  // a host part: only the local host counts
        if (slash < 0 || (rest.left(slash) != u"localhost")) {
            return std::nullopt;
        }
        rest = rest.mid(slash);
    }
    return QByteArray::fromPercentEncoding(rest.toUtf8()).toStdString();
}

QString now() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

XmlNode* childElement(XmlNode& parent, QStringView localName, const QString& namespaceUri = {}) {
    for (auto& child : parent.children) {
        if (child.kind == XmlNode::Kind::Element && child.localName() == localName &&
            child.namespaceUri == namespaceUri) {
            return &child;
        }
    }
    return nullptr;
}

// The freedesktop metadata's applications list of a bookmark, if any.
XmlNode* applicationsOf(XmlNode& bookmark) {
    XmlNode* info = childElement(bookmark, u"info");
    if (!info) {
        return nullptr;
    }
    for (auto& metadata : info->children) {
        if (metadata.kind == XmlNode::Kind::Element && metadata.localName() == u"metadata" &&
            metadata.attribute(u"owner"_s) == kMetadataOwner) {
            if (XmlNode* apps = childElement(metadata, u"applications", kBookmarkNamespace)) {
                return apps;
            }
        }
    }
    return nullptr;
}

bool isApplication(const XmlNode& node, const QString& name) {
    return node.kind == XmlNode::Kind::Element && node.localName() == u"application" &&
           node.namespaceUri == kBookmarkNamespace && node.attribute(u"name"_s) == name;
}

XmlNode* applicationEntry(XmlNode& bookmark, const QString& name) {
    XmlNode* apps = applicationsOf(bookmark);
    if (!apps) {
        return nullptr;
    }
    for (auto& app : apps->children) {
        if (isApplication(app, name)) {
            return &app;
        }
    }
    return nullptr;
}

bool isBookmark(const XmlNode& node) {
    return node.kind == XmlNode::Kind::Element && node.localName() == u"bookmark" &&
           node.namespaceUri.isEmpty();
}

// The prefix the document binds to a namespace, declaring one on the root
// when it has none.
QString prefixFor(XmlNode& root, const QString& uri, const QString& wanted) {
    for (const auto& ns : root.namespaces) {
        if (ns.namespaceUri() == uri) {
            return ns.prefix().toString();
        }
    }
    root.namespaces.append(QXmlStreamNamespaceDeclaration(wanted, uri));
    return wanted;
}

QString qualified(const QString& prefix, const QString& name) {
    return prefix.isEmpty() ? name : prefix + u':' + name;
}

XmlNode newApplication(const QString& prefix, const XbelRecentDocuments::Application& app,
                       const QString& stamp) {
    XmlNode node = XmlNode::element(qualified(prefix, u"application"_s), kBookmarkNamespace);
    node.setAttribute(u"name"_s, app.name);
    node.setAttribute(u"exec"_s, app.exec);
    node.setAttribute(u"modified"_s, stamp);
    node.setAttribute(u"count"_s, u"1"_s);
    return node;
}

XmlNode newBookmark(XmlNode& root, const std::string& path,
                    const XbelRecentDocuments::Application& app, const QString& stamp) {
    const QString bookmarkPrefix = prefixFor(root, kBookmarkNamespace, u"bookmark"_s);
    const QString mimePrefix = prefixFor(root, kMimeNamespace, u"mime"_s);
    const QString localPath = QFile::decodeName(QByteArray::fromStdString(path));
    const QString mimeType =
        QMimeDatabase().mimeTypeForFile(localPath, QMimeDatabase::MatchExtension).name();

    XmlNode mime = XmlNode::element(qualified(mimePrefix, u"mime-type"_s), kMimeNamespace);
    mime.setAttribute(u"type"_s, mimeType);
    XmlNode apps =
        XmlNode::element(qualified(bookmarkPrefix, u"applications"_s), kBookmarkNamespace);
    apps.children = {XmlNode::textNode(u"\n          "_s),
                     newApplication(bookmarkPrefix, app, stamp),
                     XmlNode::textNode(u"\n        "_s)};
    XmlNode metadata = XmlNode::element(u"metadata"_s);
    metadata.setAttribute(u"owner"_s, kMetadataOwner);
    metadata.children = {XmlNode::textNode(u"\n        "_s), std::move(mime),
                         XmlNode::textNode(u"\n        "_s), std::move(apps),
                         XmlNode::textNode(u"\n      "_s)};
    XmlNode info = XmlNode::element(u"info"_s);
    info.children = {XmlNode::textNode(u"\n      "_s), std::move(metadata),
                     XmlNode::textNode(u"\n    "_s)};
    XmlNode bookmark = XmlNode::element(u"bookmark"_s);
    bookmark.setAttribute(u"href"_s, hrefFor(path));
    bookmark.setAttribute(u"added"_s, stamp);
    bookmark.setAttribute(u"modified"_s, stamp);
    bookmark.setAttribute(u"visited"_s, stamp);
    bookmark.children = {XmlNode::textNode(u"\n    "_s), std::move(info),
                         XmlNode::textNode(u"\n  "_s)};
    return bookmark;
}

XmlDocument emptyDocument() {
    XmlDocument document;
    XmlNode root = XmlNode::element(u"xbel"_s);
    root.setAttribute(u"version"_s, u"1.0"_s);
    root.namespaces.append(QXmlStreamNamespaceDeclaration(u"bookmark"_s, kBookmarkNamespace));
    root.namespaces.append(QXmlStreamNamespaceDeclaration(u"mime"_s, kMimeNamespace));
    root.children.push_back(XmlNode::textNode(u"\n"_s));
    document.nodes.push_back(std::move(root));
    return document;
}

// Far beyond any real list of recent documents.
constexpr qint64 kMaxFileSize = 64LL * 1024 * 1024;

SysError fileError(const QString& what) {
    return SysError::withText(what.toStdString());
}

// Reads the file: an empty document when there is none, an error when it
// can't be read or parsed.
Result<XmlDocument> load(const QString& filePath) {
    // Opened without blocking and judged by the descriptor: a FIFO or a
    // device in its place is refused, never waited on.
    const UniqueFd fd(::open(QFile::encodeName(filePath).constData(),
                             O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT) {
            return emptyDocument();
        }
        return SysError::fromErrno(errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return SysError::fromErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return fileError(u"%1 is not a regular file"_s.arg(filePath));
    }
    if (st.st_size > kMaxFileSize) {
        return fileError(u"%1 is larger than %2 bytes"_s.arg(filePath).arg(kMaxFileSize));
    }
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        return fileError(file.errorString());
    }
    QString error;
    auto document = parseXml(file.read(kMaxFileSize + 1), &error);
    if (!document) {
        return fileError(u"%1 can't be read: %2"_s.arg(filePath, error));
    }
    if (document->root()->name != u"xbel") {
        return fileError(u"%1 is not a bookmark file"_s.arg(filePath));
    }
    return std::move(*document);
}

// The folder exists: the lock file was made in it.
Status save(const QString& filePath, const XmlDocument& document) {
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        return fileError(file.errorString());
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(writeXml(document));
    if (!file.commit()) {
        return fileError(file.errorString());
    }
    return {};
}

// Runs a change of the document under the file's lock.
template <class Change>
Status changeLocked(const QString& filePath, Change change) {
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QLockFile lock(filePath + u".lock"_s);
    if (!lock.tryLock(2000)) {
        return fileError(u"%1 is locked by another program"_s.arg(filePath));
    }
    auto document = load(filePath);
    if (!document) {
        return document.error();
    }
    if (!change(*document.value().root())) {
        return {};  // nothing to write
    }
    return save(filePath, document.value());
}

}  // namespace

XbelRecentDocuments::XbelRecentDocuments(QString filePath, Application application)
    : filePath_(std::move(filePath)), application_(std::move(application)) {}

QString XbelRecentDocuments::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/recently-used.xbel"_s;
}

std::vector<std::string> XbelRecentDocuments::paths() {
    auto document = load(filePath_);
    if (!document) {
        return {};
    }
    std::vector<std::pair<QString, std::string>> stamped;
    for (auto& node : document.value().root()->children) {
        if (!isBookmark(node)) {
            continue;
        }
        XmlNode* app = applicationEntry(node, application_.name);
        auto path = pathFor(node.attribute(u"href"_s));
        if (app && path) {
            QString stamp = app->attribute(u"modified"_s);
            stamped.emplace_back(stamp.isEmpty() ? node.attribute(u"modified"_s) : stamp,
                                 std::move(*path));
        }
    }
    std::stable_sort(stamped.begin(), stamped.end(), [](const auto& a, const auto& b) {
        return QDateTime::fromString(a.first, Qt::ISODateWithMs) >
               QDateTime::fromString(b.first, Qt::ISODateWithMs);
    });
    std::vector<std::string> result;
    for (auto& entry : stamped) {
        if (std::find(result.begin(), result.end(), entry.second) == result.end()) {
            result.push_back(std::move(entry.second));
        }
    }
    return result;
}

Status XbelRecentDocuments::note(const std::string& path) {
    return changeLocked(filePath_, [&](XmlNode& root) {
        const QString stamp = now();
        for (auto& node : root.children) {
            if (!isBookmark(node) || pathFor(node.attribute(u"href"_s)) != path) {
                continue;
            }
            node.setAttribute(u"modified"_s, stamp);
            node.setAttribute(u"visited"_s, stamp);
            if (XmlNode* app = applicationEntry(node, application_.name)) {
                app->setAttribute(u"modified"_s, stamp);
                const int count = app->attribute(u"count"_s).toInt();
                app->setAttribute(u"count"_s, QString::number(std::max(count, 0) + 1));
            } else if (XmlNode* apps = applicationsOf(node)) {
                const QString prefix = prefixFor(root, kBookmarkNamespace, u"bookmark"_s);
                apps->children.push_back(newApplication(prefix, application_, stamp));
            } else {
                // A bookmark of another kind: ours is added beside it.
                continue;
            }
            return true;
        }
        root.children.push_back(XmlNode::textNode(u"  "_s));
        root.children.push_back(newBookmark(root, path, application_, stamp));
        root.children.push_back(XmlNode::textNode(u"\n"_s));
        return true;
    });
}

Status XbelRecentDocuments::clear() {
    return changeLocked(filePath_, [&](XmlNode& root) {
        bool changed = false;
        std::vector<XmlNode> kept;
        for (auto& node : root.children) {
            XmlNode* apps = isBookmark(node) ? applicationsOf(node) : nullptr;
            if (apps) {
                const auto before = apps->children.size();
                std::erase_if(apps->children, [&](const XmlNode& app) {
                    return isApplication(app, application_.name);
                });
                if (apps->children.size() != before) {
                    changed = true;
                    const bool othersLeft = std::any_of(
                        apps->children.begin(), apps->children.end(),
                        [](const XmlNode& child) { return child.kind == XmlNode::Kind::Element; });
                    if (!othersLeft) {
                        // Drop the entry and the indentation that led to it.
                        if (!kept.empty() && kept.back().kind == XmlNode::Kind::Text &&
                            kept.back().text.trimmed().isEmpty()) {
                            kept.pop_back();
                        }
                        continue;
                    }
                }
            }
            kept.push_back(std::move(node));
        }
        root.children = std::move(kept);
        return changed;
    });
}

}  // namespace gw::platform
