// The settable clock and the checked conversions between moments and local
// broken-down time.
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <limits>

#include "platform/os.h"
#include "platform/os_detail.h"

namespace platform {

namespace {

bool testClockSet = false;
Moment testClockNow = 0;

constexpr std::int64_t LastMoment = std::numeric_limits<Moment>::max();

bool IsUsableMoment(std::int64_t seconds) { return seconds >= 0 && seconds <= LastMoment; }

}  // namespace

Moment CurrentTime() {
    if (testClockSet) return testClockNow;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    // A system clock outside the usable range is pinned to its nearest end
    // rather than wrapped into a moment decades away.
    if (now < 0) return 0;
    if (now > LastMoment) return static_cast<Moment>(LastMoment);
    return static_cast<Moment>(now);
}

void SetTestClock(Moment now) {
    testClockSet = true;
    testClockNow = now;
}

void AdvanceTestClock(std::int32_t seconds) {
    const std::int64_t next = static_cast<std::int64_t>(testClockNow) + seconds;
    const std::int64_t first = std::numeric_limits<Moment>::min();
    SetTestClock(static_cast<Moment>(std::clamp(next, first, LastMoment)));
}

void ClearTestClock() {
    testClockSet = false;
    testClockNow = 0;
}

bool ToLocalTime(Moment moment, std::tm& local) {
    if (!IsUsableMoment(moment)) return false;
    std::tm converted{};
    if (!detail::SystemLocalTime(static_cast<std::time_t>(moment), converted)) return false;
    local = converted;
    return true;
}

bool FromLocalTime(std::tm& local, Moment& moment) {
    std::tm normalised = local;
    const std::time_t result = std::mktime(&normalised);
    // mktime's -1 is also a real moment (one second before 1970), which is
    // not usable either, so a plain range check covers both.
    if (!IsUsableMoment(static_cast<std::int64_t>(result))) return false;
    local = normalised;
    moment = static_cast<Moment>(result);
    return true;
}

}  // namespace platform
