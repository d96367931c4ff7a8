#include "file_info.h"
#include "platform/path_text.h"

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
            return {V::error, u"Not able to run "_qs + kind};
        // A program runs without being read (mode 711): usable, with a caveat.
        if (!is(v.isReadable))
            return {V::yesButAlso, u"You can run this "_qs + kind + u", but not read it"_qs};
        return {V::yes, u"You can use this "_qs + kind};
    }
    if (is(v.isDirectory) && !is(v.isPackage)) {
        if (!is(v.isExecutable))
            return {V::error, u"Not able to open "_qs + kind};
        if (!is(v.isReadable))
            return {V::error, u"Not able to see inside "_qs + kind};
        // A read-only disk refuses every write: say so before the write check,
        // which it makes fail too.
        if (is(v.volumeIsReadOnly))
            return {V::error, u"Disk locked, can't save to "_qs + kind};
        if (!is(v.isWritable))
            return {V::error, u"Not able to save files to "_qs + kind};
        return {V::yes, u"You can open & save files to "_qs + kind};
    }
    if (!is(v.isReadable))
        return {V::error, u"Not able to open item"_qs};
    if (is(v.volumeIsReadOnly))
        return {V::error, u"Disk locked, can't save changes"_qs};
    if (is(v.isWritable))
        return {V::yes, u"You can open & save changes"_qs};
    if (lockedUser == V::yes)
        return {V::error, u"Locked, can't save changes"_qs};
    return {V::error, u"Not able to save changes"_qs};
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
    if (current != u"Unknown"_qs) {
        return current;
    }
    const QString extension = QString::fromStdString(platform::pathExtension(location));
    QString result;
    if (extension.isEmpty()) {
        if (typeIsFolder) {
            result = u"Folder"_qs;
        } else if (typeIsResolvable) {
            result = typeIsSymbolicLink ? u"Unknown File Type"_qs : u"Alias"_qs;
        } else {
            result = u"Unknown File Type"_qs;
        }
    } else if (const auto kind = platform.kindForExtension(extension)) {
        result = *kind;
    } else {
        result = extension == u"app"_qs ? u"Application"_qs : u"Unknown File Type"_qs;
    }
    if (typeIsSymbolicLink) {
        result = u"Symbolic Link"_qs;
    }
    return result;
}

void FileInfo::buildAccessSummary(InspectionPlatform& platform) {
    if (!url) {
        return;
    }
    const auto values = platform.accessValues(*url);
    if (!values) {
        accessSummary = {variableValue::error, u"Unable to determine access"_qs};
        return;
    }
    accessSummary = decide(*values, typeName, lockedUser);
    if (isInSystemArea(*url)) {
        accessSummary = {variableValue::yesButAlso,
                         accessSummary.second + u", may not be able to adjust permissions."_qs};
    }
}

}  // namespace gw::inspection
