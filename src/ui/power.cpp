// The power control on Windows: a waitable timer with resume, the thread's
// execution state, and the power plan read through powrprof.
#include "ui/power.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "framework/afx.h"
#include "platform/owned_handle_win32.h"

namespace {

PowerControl* standInPower = nullptr;

// Seconds from 1601 (FILETIME's start) to 1970.
constexpr LONGLONG SecondsFrom1601To1970 = 11644473600LL;
// Wine answers a wake it cannot do with this instead of ERROR_NOT_SUPPORTED.
constexpr DWORD ErrorTimerResumeIgnored = 722;

// "Allow wake timers" in the plan's sleep settings.
constexpr GUID SleepSubgroup = {0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
constexpr GUID AllowWakeTimers = {
    0xbd3b718a, 0x0680, 0x4d9d, {0x8a, 0xb2, 0xe1, 0xd2, 0xb4, 0xac, 0x80, 0x6d}};
constexpr DWORD WakeTimersOff = 0;
constexpr DWORD WakeTimersImportantOnly = 2;

using platform::OwnedHandle;

struct LibraryFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using OwnedLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

struct LocalFreer {
    void operator()(GUID* memory) const { LocalFree(memory); }
};

OwnedLibrary LoadPowerLibrary() { return OwnedLibrary(AfxLoadSystemLibrary("powrprof.dll")); }

bool OnBattery() {
    SYSTEM_POWER_STATUS status{};
    return GetSystemPowerStatus(&status) && status.ACLineStatus == 0;
}

class SystemPower : public PowerControl {
public:
    WakeArmResult ArmWake(platform::Moment moment) override {
        if (!timer) timer.reset(CreateWaitableTimerW(nullptr, TRUE, nullptr));
        if (!timer) return WakeArmResult::Failed;
        // Absolute (positive) due times count time asleep; relative ones do not.
        LARGE_INTEGER due{};
        due.QuadPart = (moment + SecondsFrom1601To1970) * 10000000LL;
        // A successful call leaves the error alone when the wake is possible.
        SetLastError(0);
        if (!SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, TRUE)) return WakeArmResult::Failed;
        const DWORD error = GetLastError();
        if (error == ERROR_NOT_SUPPORTED || error == ErrorTimerResumeIgnored)
            return WakeArmResult::Unsupported;
        return WakeArmResult::Armed;
    }

    void CancelWake() override {
        if (timer) CancelWaitableTimer(timer.get());
    }

    void HoldAwake() override { SetThreadExecutionState(ES_SYSTEM_REQUIRED | ES_CONTINUOUS); }

    void ReleaseAwake() override { SetThreadExecutionState(ES_CONTINUOUS); }

    // Wine lacks some of these calls: a value that cannot be read counts as
    // allowed, so that no warning is given without reason.
    WakeTimerPolicy WakeTimers() override {
        using GetActiveScheme = DWORD(WINAPI*)(HKEY, GUID**);
        using ReadValueIndex = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD*);
        const OwnedLibrary library = LoadPowerLibrary();
        if (!library) return WakeTimerPolicy::Allowed;
        const auto getActiveScheme = AfxProcedure<GetActiveScheme>(library.get(), "PowerGetActiveScheme");
        const auto readValue = AfxProcedure<ReadValueIndex>(
            library.get(), OnBattery() ? "PowerReadDCValueIndex" : "PowerReadACValueIndex");
        GUID* activeScheme = nullptr;
        if (!getActiveScheme || !readValue || getActiveScheme(nullptr, &activeScheme) != ERROR_SUCCESS)
            return WakeTimerPolicy::Allowed;
        const std::unique_ptr<GUID, LocalFreer> scheme(activeScheme);
        DWORD value = 1;
        if (readValue(nullptr, scheme.get(), &SleepSubgroup, &AllowWakeTimers, &value) != ERROR_SUCCESS)
            return WakeTimerPolicy::Allowed;
        if (value == WakeTimersOff) return WakeTimerPolicy::Off;
        if (value == WakeTimersImportantOnly) return WakeTimerPolicy::ImportantOnly;
        return WakeTimerPolicy::Allowed;
    }

private:
    OwnedHandle timer;
};

}  // namespace

PowerControl& Power() {
    static SystemPower systemPower;
    if (standInPower) return *standInPower;
    return systemPower;
}

void SetPowerForTests(PowerControl* standIn) { standInPower = standIn; }
