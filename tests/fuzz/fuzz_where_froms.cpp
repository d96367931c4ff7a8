// A download-origin attribute as another program wrote it: any bytes.
#include <QByteArray>

#include "app/inspection/pretty_attribute.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)gw::inspection::decodePropertyListTexts(bytes);
    return 0;
}
