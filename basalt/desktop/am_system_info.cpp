#include "basalt/desktop/am_system_info.h"

#include <QCoreApplication>

#include <ostream>

#include "basalt/diagnostics.h"

using namespace Qt::StringLiterals;

namespace basalt {

QString AMSystemInfo::modelIdentifier(const gw::platform::SystemFacts& facts) {
    return QString::fromStdString(facts.modelIdentifier());
}

QString AMSystemInfo::marketingName(const gw::platform::SystemFacts& facts) {
    auto name = facts.productName();
    if (!name) {
        diagnostics() << "Failed to get the machine's marketing name: " << name.error().description
                      << '\n';
        return modelIdentifier(facts);
    }
    return QString::fromStdString(*name);
}

QString AMSystemInfo::codeSigner() {
    return QCoreApplication::translate("system_info", "Failed to read code signature Error: -1");
}

QString AMSystemInfo::cpuBrand(bool stripApple, const gw::platform::SystemFacts& facts) {
    auto brand = facts.cpuBrand();
    QString text = brand ? QString::fromStdString(*brand)
                         : QCoreApplication::translate("system_info", "Failed with Error: -1");
    if (stripApple && text.contains(u"Apple"_s)) {
        text.remove(QCoreApplication::translate("system_info", "Apple "));
    }
    return text;
}

}  // namespace basalt
