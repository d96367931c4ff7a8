#include "basalt/desktop/system_info.h"

#include <ostream>

#include "basalt/diagnostics.h"

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
    return QStringLiteral("Failed to read code signature Error: -1");
}

QString AMSystemInfo::cpuBrand(bool stripApple, const gw::platform::SystemFacts& facts) {
    auto brand = facts.cpuBrand();
    QString text = brand ? QString::fromStdString(*brand) : QStringLiteral("Failed with Error: -1");
    if (stripApple && text.contains(QStringLiteral("Apple"))) {
        text.remove(QStringLiteral("Apple "));
    }
    return text;
}

}  // namespace basalt
