#pragma once

#include <iosfwd>

namespace basalt {

// Where the programs' diagnostic lines go: standard output, unless a mode
// whose standard output is its result (the headless report) moves them.
std::ostream& diagnostics();
void setDiagnosticsStream(std::ostream& stream);

}  // namespace basalt
