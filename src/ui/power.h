// The computer's power, as far as a launch needs it: a timer that wakes the
// computer shortly before the moment, keeping it awake around the launch,
// and whether the power plan lets a timer wake it. Tests put a recording
// stand-in in its place, since Wine can neither wake nor sleep.
#pragma once

#include "core/countdown.h"
#include "platform/os.h"

class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Arms the one wake timer for `moment` (UTC), replacing an earlier one.
    virtual WakeArmResult ArmWake(platform::Moment moment) = 0;
    virtual void CancelWake() = 0;
    // Keeps the computer from sleeping until ReleaseAwake.
    virtual void HoldAwake() = 0;
    virtual void ReleaseAwake() = 0;
    // "Allow wake timers" of the power plan, for the present power source.
    virtual WakeTimerPolicy WakeTimers() = 0;
};

// The system's power control, or the stand-in a test has set.
PowerControl& Power();
// Null restores the system's.
void SetPowerForTests(PowerControl* standIn);
