#pragma once

#include <QString>

#include "platform/system_facts.h"

namespace basalt {

// Facts about the machine for support requests. Every answer is text;
// failures are told in the text, never raised to the user.
class AMSystemInfo {
  public:
    static QString marketingName(
        const gw::platform::SystemFacts& facts = gw::platform::SystemFacts());
    static QString modelIdentifier(
        const gw::platform::SystemFacts& facts = gw::platform::SystemFacts());
    // Linux programs carry no code signature.
    static QString codeSigner();
    static QString cpuBrand(bool stripApple,
                            const gw::platform::SystemFacts& facts = gw::platform::SystemFacts());
};

}  // namespace basalt
