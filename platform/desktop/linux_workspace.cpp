#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QStringList>

#include "platform/desktop/workspace.h"
#include "platform/path_text.h"

using namespace Qt::StringLiterals;

namespace gw::platform {

namespace {

QUrl fileUrl(const std::string& path) {
    return QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)));
}

}  // namespace

bool LinuxWorkspace::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool LinuxWorkspace::showItem(const std::string& path) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.freedesktop.FileManager1"_s, u"/org/freedesktop/FileManager1"_s,
        u"org.freedesktop.FileManager1"_s, u"ShowItems"_s);
    call << QStringList{fileUrl(path).toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return true;
    }
    return QDesktopServices::openUrl(fileUrl(parentPath(path)));
}

}  // namespace gw::platform
