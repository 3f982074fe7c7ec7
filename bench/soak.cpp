// Soak: the real launcher dialog, in this process, on a set clock. Weekday
// mode with every day checked, interval 1, a launch at 01:30 every night
// from October 2004 to May 2005, so that both changes of summer time and a
// new year are crossed. The soak sends the countdown ticks itself:
// 100,000 of them, 500 around each of 200 real launches of a helper program.
// It samples the process's handles, GDI and USER objects and memory as it
// goes, and writes a table of them to the result file: leaked handles or
// objects show as a growing line.
//
//   soak <home directory> <helper program> <result file>
//
// Wine reports no handle count and does not implement GetGuiResources; there
// the counts come from probing handle values (see Measure).
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/program.h"
#include "framework/afx.h"
#include "platform/os.h"
#include "resource.h"
#include "ui/launcher_dialog.h"

namespace {

constexpr int Launches = 200;
// Around each launch: ticks one second apart up to the launch moment (the
// last one at it), then ticks a quarter of a minute apart for over an hour,
// through the hour that repeats when summer time ends.
constexpr int TicksUpToLaunch = 250;
constexpr int TicksAfterLaunch = 250;
constexpr int SecondsApartAfterLaunch = 15;
constexpr int LaunchHour = 1;
constexpr int LaunchMinute = 30;
constexpr DWORD HelperTimeoutMs = 30000;
constexpr int SampledLaunches[] = {1, 50, 100, 150, 200};

constexpr int DayBoxes[7] = {IDC_SUNDAY,   IDC_MONDAY, IDC_TUESDAY, IDC_WEDNESDAY,
                             IDC_THURSDAY, IDC_FRIDAY, IDC_SATURDAY};

CWinApp soakApp("Orvix Launcher");

// ---- figures

struct Figures {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    SIZE_T workingSetKb = 0;
    SIZE_T privateKb = 0;
};

bool probedHandles = false;
bool probedGuiObjects = false;

// Kernel handles are small multiples of 4, handed out lowest first: count
// the valid ones up to a long run of free values.
DWORD ProbedHandleCount() {
    DWORD count = 0;
    int freeRun = 0;
    for (ULONG_PTR value = 4; freeRun < 1024; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            freeRun = 0;
        } else {
            ++freeRun;
        }
    }
    return count;
}

// GDI handles are known by their low word alone.
DWORD ProbedGdiObjects() {
    DWORD count = 0;
    for (ULONG_PTR value = 1; value <= 0xFFFF; ++value)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(value)) != 0) ++count;
    return count;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

// The USER objects a launcher makes: its windows (with every child) and
// its menus, the latter known by their low word alone.
DWORD ProbedUserObjects() {
    DWORD count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    for (ULONG_PTR value = 0x20; value <= 0xFFEF; value += 2)
        if (IsMenu(reinterpret_cast<HMENU>(value))) ++count;
    return count;
}

Figures Measure() {
    Figures figures;
    HANDLE self = GetCurrentProcess();
    if (!GetProcessHandleCount(self, &figures.handles) || figures.handles == 0) {
        probedHandles = true;
        figures.handles = ProbedHandleCount();
    }
    figures.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
    figures.userObjects = GetGuiResources(self, GR_USEROBJECTS);
    if (figures.gdiObjects == 0 && figures.userObjects == 0) {
        probedGuiObjects = true;
        figures.gdiObjects = ProbedGdiObjects();
        figures.userObjects = ProbedUserObjects();
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        figures.workingSetKb = memory.WorkingSetSize / 1024;
        // Wine leaves the private usage at 0; the commit charge stands in.
        figures.privateKb = (memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage) / 1024;
    }
    return figures;
}

struct Sample {
    std::string when;
    Figures figures;
};

// ---- files and time

int CountInFile(const std::string& path, const std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string content = bytes.str();
    int count = 0;
    for (auto at = content.find(text); at != std::string::npos; at = content.find(text, at + text.size()))
        ++count;
    return count;
}

std::tm Local(platform::Moment moment) {
    std::tm local{};
    platform::ToLocalTime(moment, local);
    return local;
}

std::string DateText(platform::Moment moment) {
    const std::tm local = Local(moment);
    char text[32] = {};
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

platform::Moment LocalMoment(int year, int month, int day, int hour, int minute) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    platform::Moment moment = 0;
    platform::FromLocalTime(local, moment);
    return moment;
}

// ---- the run

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root != nullptr && IsDialogMessageA(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

class Soak {
public:
    Soak(std::string home, std::string helper) : home(std::move(home)), helper(std::move(helper)) {}

    void Drive(LauncherDialog& dialog);
    bool Report(const std::string& resultPath) const;

private:
    void SetUp(LauncherDialog& dialog) const;
    void TickThroughOneLaunch(LauncherDialog& dialog);
    bool WaitForHelper(int launches) const;
    std::string StampPath() const { return home + "\\stamps.txt"; }
    std::string LogPath() const { return home + "\\orvix_launcher_log.txt"; }

    std::string home;
    std::string helper;
    std::vector<Sample> samples;
    std::vector<platform::Moment> launchMoments;
    long ticks = 0;
    int helperTimeouts = 0;
    bool armed = false;
    bool runningAtEnd = false;
    double seconds = 0;
};

void Soak::SetUp(LauncherDialog& dialog) const {
    HwndSetText(dialog.GetDlgItem(IDC_PROGRAM_PATH), helper.c_str());
    HwndSetText(dialog.GetDlgItem(IDC_INTERVAL_EDIT), "1");
    SYSTEMTIME time{};
    time.wYear = 2004;
    time.wMonth = 10;
    time.wDay = 20;
    time.wHour = LaunchHour;
    time.wMinute = LaunchMinute;
    SendMessageA(dialog.GetDlgItem(IDC_TIME_PICKER), DTM_SETSYSTEMTIME, GDT_VALID,
                 reinterpret_cast<LPARAM>(&time));
    for (int day = 0; day < 7; ++day) {
        dialog.settings.SetDayChecked(day, true);
        dialog.SetChecked(DayBoxes[day], BST_CHECKED);
    }
}

void Soak::TickThroughOneLaunch(LauncherDialog& dialog) {
    const platform::Moment due = dialog.settings.GetLaunchTime();
    launchMoments.push_back(due);
    platform::SetTestClock(due - (TicksUpToLaunch - 1));
    for (int tick = 0; tick < TicksUpToLaunch + TicksAfterLaunch; ++tick) {
        if (tick > 0) platform::AdvanceTestClock(tick < TicksUpToLaunch ? 1 : SecondsApartAfterLaunch);
        dialog.SendMessage(WM_TIMER, CountdownTimer);
        ++ticks;
    }
    PumpMessages();
}

bool Soak::WaitForHelper(int launches) const {
    const DWORD start = GetTickCount();
    while (CountInFile(StampPath(), "\n") < launches) {
        if (GetTickCount() - start > HelperTimeoutMs) return false;
        PumpMessages();
        Sleep(10);
    }
    return true;
}

void Soak::Drive(LauncherDialog& dialog) {
    const auto started = std::chrono::steady_clock::now();
    SetUp(dialog);
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_LAUNCH, BN_CLICKED),
                       reinterpret_cast<LPARAM>(dialog.GetDlgItem(IDC_LAUNCH)));
    armed = HwndGetText(dialog.GetDlgItem(IDC_STATUS)) == "Running";
    if (armed) {
        // The ticks come from the soak alone.
        KillTimer(dialog.GetSafeHwnd(), CountdownTimer);
        samples.push_back({"armed", Measure()});
        for (int launch = 1; launch <= Launches; ++launch) {
            TickThroughOneLaunch(dialog);
            if (!WaitForHelper(launch)) ++helperTimeouts;
            for (int sampled : SampledLaunches)
                if (launch == sampled)
                    samples.push_back({"after launch " + std::to_string(launch), Measure()});
        }
        runningAtEnd = HwndGetText(dialog.GetDlgItem(IDC_STATUS)) == "Running";
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    dialog.EndDialog(IDOK);
}

std::string FiguresRow(const std::string& label, const Figures& f) {
    char row[160] = {};
    std::snprintf(row, sizeof row, "%-20s %8lu %6lu %6lu %12lu %12lu\n", label.c_str(),
                  static_cast<unsigned long>(f.handles), static_cast<unsigned long>(f.gdiObjects),
                  static_cast<unsigned long>(f.userObjects), static_cast<unsigned long>(f.workingSetKb),
                  static_cast<unsigned long>(f.privateKb));
    return row;
}

std::string GrowthRow(const std::string& label, const Figures& from, const Figures& to) {
    auto delta = [](SIZE_T a, SIZE_T b) { return static_cast<long>(b) - static_cast<long>(a); };
    char row[160] = {};
    std::snprintf(row, sizeof row, "%-20s %+8ld %+6ld %+6ld %+12ld %+12ld\n", label.c_str(),
                  delta(from.handles, to.handles), delta(from.gdiObjects, to.gdiObjects),
                  delta(from.userObjects, to.userObjects), delta(from.workingSetKb, to.workingSetKb),
                  delta(from.privateKb, to.privateKb));
    return row;
}

bool Soak::Report(const std::string& resultPath) const {
    std::ostringstream out;
    bool sound = armed && runningAtEnd && helperTimeouts == 0;
    if (!armed) out << "The countdown was not armed.\n";

    // One launch a night at 01:30 local time, night after night.
    int offTime = 0;
    int skippedOrRepeatedNights = 0;
    std::vector<std::string> summerTimeChanges;
    for (std::size_t i = 0; i < launchMoments.size(); ++i) {
        const std::tm local = Local(launchMoments[i]);
        if (local.tm_hour != LaunchHour || local.tm_min != LaunchMinute || local.tm_sec != 0) ++offTime;
        if (i == 0) continue;
        const std::tm previous = Local(launchMoments[i - 1]);
        std::tm nextNight = previous;
        AddCalendarDays(nextNight, 1);
        if (nextNight.tm_year != local.tm_year || nextNight.tm_yday != local.tm_yday)
            ++skippedOrRepeatedNights;
        if (local.tm_isdst != previous.tm_isdst)
            summerTimeChanges.push_back(std::string(local.tm_isdst ? "began" : "ended") + " before " +
                                        DateText(launchMoments[i]));
    }
    const int helperRuns = CountInFile(StampPath(), "\n");
    const int loggedLaunches = CountInFile(LogPath(), "Launching Program");
    sound = sound && offTime == 0 && skippedOrRepeatedNights == 0 && helperRuns == Launches &&
            loggedLaunches == Launches && summerTimeChanges.size() == 2;
    // The first launch and the first painting set up what later ones reuse;
    // from there on, any growth of the counts is a leak.
    if (samples.size() >= 2) {
        const Figures& first = samples[1].figures;
        const Figures& last = samples.back().figures;
        const bool flat = first.handles == last.handles && first.gdiObjects == last.gdiObjects &&
                          first.userObjects == last.userObjects;
        if (!flat) out << "Handles or GDI or USER objects grew from launch 1 to launch " << Launches << ".\n";
        sound = sound && flat;
    }

    out << "Soak of the launcher dialog: " << ticks << " countdown ticks, " << Launches
        << " launches, weekday mode with every day checked, interval 1 s, time zone EST5EDT\n";
    if (!launchMoments.empty())
        out << "Launch moments: " << DateText(launchMoments.front()) << " to "
            << DateText(launchMoments.back()) << ", each at 01:30 local time\n";
    out << "Around each launch: the clock jumps to " << TicksUpToLaunch - 1 << " s before it, then "
        << TicksUpToLaunch << " ticks 1 s apart (the last at the launch moment) and " << TicksAfterLaunch
        << " ticks " << SecondsApartAfterLaunch << " s apart\n";
    out << "Summer time crossed:";
    for (const std::string& change : summerTimeChanges) out << " " << change << ";";
    out << "\n\n";

    out << "sample                handles    GDI   USER  working set  private\n"
           "                                                   KiB      KiB\n";
    for (const Sample& sample : samples) out << FiguresRow(sample.when, sample.figures);
    if (samples.size() >= 2) {
        out << GrowthRow("growth, whole run", samples.front().figures, samples.back().figures);
        out << GrowthRow("growth, launch 1-200", samples[1].figures, samples.back().figures);
    }
    out << "\nCounted by: handles " << (probedHandles ? "probing handle values" : "GetProcessHandleCount")
        << "; GDI and USER "
        << (probedGuiObjects ? "probing handle values (windows and menus for USER)" : "GetGuiResources")
        << "; memory GetProcessMemoryInfo\n";
    out << "Helper runs: " << helperRuns << ", launches logged: " << loggedLaunches
        << ", launches not at 01:30: " << offTime
        << ", nights skipped or repeated: " << skippedOrRepeatedNights
        << ", helper time-outs: " << helperTimeouts
        << ", status at the end: " << (runningAtEnd ? "Running" : "not running") << "\n";
    char duration[64] = {};
    std::snprintf(duration, sizeof duration, "Duration: %.1f s\n", seconds);
    out << duration << (sound ? "Soak passed.\n" : "Soak FAILED.\n");

    std::ofstream(resultPath, std::ios::binary) << out.str();
    return sound;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: soak <home directory> <helper program> <result file>\n");
        return 2;
    }
    const std::string home = argv[1];
    _putenv_s("USERPROFILE", home.c_str());
    _putenv_s("ORVIX_STAMP_FILE", (home + "\\stamps.txt").c_str());
    _putenv_s("TZ", "EST5EDT");
    _tzset();
    platform::SetTestClock(LocalMoment(2004, 10, 20, 12, 0));

    AfxWinMain(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    int messageBoxes = 0;
    afxtest::SetMessageBoxHandler([&messageBoxes](const std::string&, UINT, const std::string&) {
        ++messageBoxes;
        return IDOK;
    });
    Soak soak(home, argv[2]);
    afxtest::SetModalObserver([&soak](CDialog& shown) {
        if (shown.GetTemplateId() == IDD_LAUNCHER) soak.Drive(static_cast<LauncherDialog&>(shown));
    });
    {
        LauncherDialog dialog;
        soakApp.m_pMainWnd = &dialog;
        dialog.DoModal();
        soakApp.m_pMainWnd = nullptr;
    }
    const bool sound = soak.Report(argv[3]);
    if (messageBoxes > 0) {
        std::ofstream(argv[3], std::ios::binary | std::ios::app)
            << "Message boxes shown: " << messageBoxes << "\n";
        return 1;
    }
    return sound ? 0 : 1;
}
