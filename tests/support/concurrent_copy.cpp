// One copy of the launcher for the test of two copies on one home: logs
// records, then saves its settings, as fast as it can. The home is
// USERPROFILE, the plan is named by the first argument; the second names a
// directory where the copies wait for each other, so that they really run
// at the same time.
#include "support/concurrent_copy.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/program.h"
#include "log/log.h"

namespace {

// Says this copy is ready, then waits (bounded) until every copy is.
bool MeetTheOthers(const std::filesystem::path& meeting, const char* name) {
    std::ofstream(meeting / name) << "ready";
    for (int wait = 0; wait < 30000; ++wait) {
        bool all = true;
        for (const auto& plan : concurrentcopy::Plans)
            all = all && std::filesystem::exists(meeting / plan.name);
        if (all) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace concurrentcopy;
    if (argc != 3) return 2;
    const Plan* plan = nullptr;
    for (const Plan& candidate : Plans)
        if (std::strcmp(candidate.name, argv[1]) == 0) plan = &candidate;
    if (plan == nullptr) return 2;

    platform::SetTestClock(Clock);
    Program program;
    program.SetProgramPath(plan->programPath);
    program.SetLaunchTime(plan->launchTime);
    program.SetTimingInterval(plan->interval);
    for (int day = 0; day < 7; ++day) program.SetDayChecked(day, plan->days[day] == '1');
    program.SetWindowsProgram(plan->windowsProgram);
    if (!MeetTheOthers(argv[2], plan->name)) return 3;
    for (int index = 0; index < Records; ++index)
        LogMessage(Info, __FILE__, __LINE__, RecordText(*plan, index));
    for (int save = 0; save < Saves; ++save) program.SaveConfiguration();
    return 0;
}
