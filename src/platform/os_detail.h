// Per-system pieces that the portable clock needs but cannot spell portably.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

#include "platform/os.h"

namespace platform::detail {

// The C library's reentrant local-time conversion; false when it fails.
bool SystemLocalTime(std::time_t moment, std::tm& local);

// The system clock in milliseconds since 1970-01-01 00:00:00 UTC.
std::int64_t SystemMilliseconds();

// The test's answer to `request` when a test answers starts (SetStartHandler);
// nothing when the system is to do it.
std::optional<SystemError> AnswerStartForTest(const StartRequest& request);

}  // namespace platform::detail
