#include <array>

#include <QCoreApplication>
#include <cmath>

#include "app/inspection/pretty_attribute.h"

using namespace Qt::StringLiterals;

namespace gw::inspection {

QString byteCountText(int64_t bytes) {
    if (bytes == 0) {
        return QCoreApplication::translate("byte_count", "Zero KB");
    }
    if (bytes == 1 || bytes == -1) {
        return QString::number(bytes) + u" byte"_s;
    }
    if (bytes > -1000 && bytes < 1000) {
        return QString::number(bytes) + u" bytes"_s;
    }
    struct Unit {
        const char16_t* name;
        int decimals;
    };
    static constexpr std::array<Unit, 6> kUnits{
        {{u"KB", 0}, {u"MB", 1}, {u"GB", 2}, {u"TB", 2}, {u"PB", 2}, {u"EB", 2}}};
    double value = static_cast<double>(bytes) / 1000.0;
    size_t unit = 0;
    for (;;) {
        const double scale = std::pow(10.0, kUnits[unit].decimals);
        const double rounded = std::round(value * scale) / scale;
        // A value that rounds up to 1000 reads better in the next unit.
        if (std::fabs(rounded) < 1000.0 || unit + 1 == kUnits.size()) {
            QString number = QString::number(rounded, 'f', kUnits[unit].decimals);
            if (number.contains(u'.')) {
                while (number.endsWith(u'0'))
                    number.chop(1);
                if (number.endsWith(u'.'))
                    number.chop(1);
            }
            return number + u' ' + QString::fromUtf16(kUnits[unit].name);
        }
        value /= 1000.0;
        ++unit;
    }
}

QString attributeSizeText(int64_t bytes) {
    return byteCountText(bytes).replace(u"bytes"_s, u"b"_s);
}

}  // namespace gw::inspection
