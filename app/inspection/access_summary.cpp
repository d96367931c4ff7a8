#include "file_info.h"

#include <QCoreApplication>
#include "platform/path_text.h"

using namespace Qt::StringLiterals;

namespace gw::inspection {
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

}  // namespace gw::inspection
