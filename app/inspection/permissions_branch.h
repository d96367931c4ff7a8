#pragma once

#include <QString>

namespace gw::inspection {

using namespace Qt::StringLiterals;

// A five-valued answer. Lock facts use unknown/no/yes; the access verdict
// uses unknown/yes/yesButAlso/error.
enum class variableValue { unknown, no, yes, yesButAlso, error };

// One POSIX permission class: owner (shift 6), group (3) or others (0).
struct PermissionsBranch {
    QString name = u"Unknown"_s;
    bool read = false;
    bool write = false;
    bool execute = false;

    void apply(unsigned mode, int shift) {
        read = (mode >> (shift + 2)) & 1u;
        write = (mode >> (shift + 1)) & 1u;
        execute = (mode >> shift) & 1u;
    }
    // Sets this class's bits in a mode held by the caller; never clears any
    // and never produces the special bits.
    void addBits(unsigned& mode, int shift) const {
        if (read)
            mode |= 1u << (shift + 2);
        if (write)
            mode |= 1u << (shift + 1);
        if (execute)
            mode |= 1u << shift;
    }
    bool operator==(const PermissionsBranch&) const = default;
};

}  // namespace gw::inspection
