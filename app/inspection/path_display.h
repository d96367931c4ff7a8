#pragma once

#include <string>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace gw::inspection {

// A path (bytes) as the user reads it, decoded as the file system's names
// are; bytes that aren't text survive a round trip through QFile::encodeName.
inline QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace gw::inspection
