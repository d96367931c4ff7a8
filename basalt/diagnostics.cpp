#include "diagnostics.h"

#include <iostream>

namespace basalt {
namespace {
std::ostream* current = &std::cout;
}

std::ostream& diagnostics() {
    return *current;
}
void setDiagnosticsStream(std::ostream& stream) {
    current = &stream;
}

}  // namespace basalt
