// Per-system pieces that the portable clock needs but cannot spell portably.
#pragma once

#include <ctime>

namespace platform::detail {

// The C library's reentrant local-time conversion; false when it fails.
bool SystemLocalTime(std::time_t moment, std::tm& local);

}  // namespace platform::detail
