#include <ostream>

#include "basalt/diagnostics.h"
#include "file_info.h"

namespace gw::inspection {

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

}  // namespace gw::inspection
