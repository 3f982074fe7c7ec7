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
std::int64_t testClockMilliseconds = 0;

constexpr std::int64_t LastMoment = std::numeric_limits<Moment>::max();
constexpr std::int64_t FirstMoment = std::numeric_limits<Moment>::min();

bool IsUsableMoment(std::int64_t seconds) { return seconds >= 0 && seconds <= LastMoment; }

// Whole seconds, rounded down also before 1970.
std::int64_t WholeSeconds(std::int64_t milliseconds) {
    return milliseconds >= 0 ? milliseconds / 1000 : -((-milliseconds + 999) / 1000);
}

}  // namespace

Moment CurrentTime() {
    const std::int64_t now = WholeSeconds(CurrentTimeMilliseconds());
    if (testClockSet) return static_cast<Moment>(std::clamp(now, FirstMoment, LastMoment));
    // A system clock outside the usable range is pinned to its nearest end
    // rather than wrapped into a moment decades away.
    return static_cast<Moment>(std::clamp<std::int64_t>(now, 0, LastMoment));
}

std::int64_t CurrentTimeMilliseconds() {
    return testClockSet ? testClockMilliseconds : detail::SystemMilliseconds();
}

void SetTestClock(Moment now) { SetTestClockMilliseconds(std::int64_t{now} * 1000); }

void SetTestClockMilliseconds(std::int64_t now) {
    testClockSet = true;
    testClockMilliseconds = now;
}

void AdvanceTestClock(std::int32_t seconds) {
    const std::int64_t next = testClockMilliseconds + std::int64_t{seconds} * 1000;
    SetTestClockMilliseconds(std::clamp(next, FirstMoment * 1000, LastMoment * 1000));
}

void ClearTestClock() {
    testClockSet = false;
    testClockMilliseconds = 0;
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
