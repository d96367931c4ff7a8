#include "sys_error.h"

#include <cstring>

namespace gw::platform {

SysError SysError::fromErrno(int errnoValue) {
    // strerror_r's GNU form may return a static string instead of filling buf.
    char buf[256] = {};
    const char* text = strerror_r(errnoValue, buf, sizeof buf);
    return SysError{errnoValue, text ? std::string(text) : std::string("Unknown error")};
}

}  // namespace gw::platform
