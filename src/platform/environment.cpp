// The environment is the C library's on every system, so it needs no
// per-system body.
#include <cstdlib>

#include "platform/os.h"

namespace platform {

std::optional<std::string> EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace platform
