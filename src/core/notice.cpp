#include "core/notice.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "core/program.h"

namespace {

const char* const ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

}  // namespace

Notice LaunchFailedNotice(const std::string& program, const std::string& reason) {
    return {NoticeKind::LaunchFailed, "Launch failed",
            "Could not start " + platform::AnsiPath(program) + ": " + reason};
}

Notice CommandFailedNotice(const std::string& program, std::uint32_t exitCode) {
    return {NoticeKind::CommandFailed, "Command failed",
            platform::AnsiPath(program) + " ended with exit code " + std::to_string(exitCode) + "."};
}

Notice LaunchMissedNotice(platform::Moment moment, bool startedNow) {
    std::string text =
        "The launch at " + TimeText(moment) + " was missed while the launcher was not running.";
    if (startedNow) text += " It was started now.";
    return {NoticeKind::LaunchMissed, "Launch missed", text};
}

Notice LaunchLateNotice(const std::string& program, std::int64_t lateMilliseconds) {
    return {NoticeKind::LaunchLate, "Launch late",
            platform::AnsiPath(program) + " started " + std::to_string(lateMilliseconds / 1000) +
                " s after its moment."};
}

Notice WakeUnavailableNotice(const std::string& reason) {
    return {NoticeKind::WakeUnavailable, "Cannot wake the computer", reason};
}

std::optional<Notice> MostSevere(const std::vector<Notice>& notices) {
    const auto first = std::min_element(notices.begin(), notices.end(), [](const Notice& a, const Notice& b) {
        return static_cast<int>(a.kind) < static_cast<int>(b.kind);
    });
    if (first == notices.end()) return std::nullopt;
    return *first;
}

std::string TipText(std::optional<platform::Moment> nextLaunch, const std::string& folderSuffix) {
    std::string tip = "Orvix Launcher";
    std::tm local{};
    if (nextLaunch && platform::ToLocalTime(*nextLaunch, local)) {
        char next[64] = {};
        // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text, so nothing is cut off.
        std::snprintf(next, sizeof next, "\nNext: %s %02d.%02d.%04d %02d:%02d", ShortDayNames[local.tm_wday],
                      local.tm_mon + 1, local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min);
        tip += next;
    }
    return tip + folderSuffix;
}
