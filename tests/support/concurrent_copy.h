// What each copy of the launcher does to the shared home in the test of two
// copies running at once: the records it logs and the settings it saves
// over and over, all on a set clock.
#pragma once

#include <string>

#include "platform/os.h"

namespace concurrentcopy {

// Tuesday, March 2, 2004 - 09:05:07 UTC, the tests' usual start time.
inline constexpr platform::Moment Clock = 1078218307;
// Records first, all in a row, then saves: both copies log at the same
// time, then both save at the same time.
inline constexpr int Records = 1000;
inline constexpr int Saves = 40;

struct Plan {
    const char* name;
    const char* programPath;
    platform::Moment launchTime;
    int interval;
    const char* days;  // Sunday first, "1" for checked
    bool windowsProgram;
};

// Settings of different lengths, so that a file mixed from both shows.
inline const Plan Plans[2] = {
    {"A", "C:\\Tools\\a.exe", 1078354800, 10, "0101010", true},
    {"B", "C:\\Program Files\\Another Tool\\a longer path\\b.exe", 1100000000, 600, "1000001", false},
};

// Long enough that two records written at once would overlap.
inline std::string RecordText(const Plan& plan, int index) {
    return std::string("copy ") + plan.name + " record " + std::to_string(index) + " " +
           std::string(150, plan.name[0]);
}

}  // namespace concurrentcopy
