// The desktop's shared recent-documents file as any program wrote it: read
// into the tree and, when it reads, written back out as Grantwell would.
#include <QByteArray>
#include <QString>

#include "platform/desktop/xml_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    if (const auto document = gw::platform::parseXml(bytes, &error)) {
        (void)gw::platform::writeXml(*document);
    }
    return 0;
}
