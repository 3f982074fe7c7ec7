// What the launcher tells the user at once, beside the log, when a launch
// goes wrong: the icon shows it as a balloon. Texts are in the ANSI code
// page, as the log's records and the system's reasons are; a program is
// named as the log names it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"

// Most severe first: of several that come at once, the first is shown.
enum class NoticeKind { LaunchFailed, CommandFailed, LaunchMissed, LaunchLate, WakeUnavailable };

// A launch this much after its moment is worth a word to the user.
inline constexpr std::int64_t LateNoticeMilliseconds = 60'000;

struct Notice {
    NoticeKind kind = NoticeKind::WakeUnavailable;
    std::string title;
    std::string text;
    // An error; the others are warnings.
    bool IsError() const { return kind == NoticeKind::LaunchFailed; }
};

Notice LaunchFailedNotice(const std::string& program, const std::string& reason);
Notice CommandFailedNotice(const std::string& program, std::uint32_t exitCode);
Notice LaunchMissedNotice(platform::Moment moment, bool startedNow);
Notice LaunchLateNotice(const std::string& program, std::int64_t lateMilliseconds);
Notice WakeUnavailableNotice(const std::string& reason);

// The most severe of those that came at once; nothing for none.
std::optional<Notice> MostSevere(const std::vector<Notice>& notices);

// The icon's tip: "Orvix Launcher", then while counting down a line "Next: "
// with the next launch as "Tue 03.10.2026 09:05"; the folder's suffix last.
std::string TipText(std::optional<platform::Moment> nextLaunch, const std::string& folderSuffix);
