#include <cerrno>
#include <cstring>

#include "run/console.h"

// The native build's counterpart: the C library's last error, in the same "(code) text" form.
std::string SystemErrorText() {
    int code = errno;
    return "(" + std::to_string(code) + ") " + std::strerror(code);
}
