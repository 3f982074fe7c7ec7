// Per-system pieces that the portable clock needs but cannot spell portably.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"

namespace platform::detail {

// The C library's reentrant local-time conversion; false when it fails.
bool SystemLocalTime(std::time_t moment, std::tm& local);

// The system clock in milliseconds since 1970-01-01 00:00:00 UTC.
std::int64_t SystemMilliseconds();

// The test's answer to `request` when a test answers starts (SetStartHandler);
// nothing when the system is to do it.
std::optional<SystemError> AnswerStartForTest(const StartRequest& request);
// The function that answers starts for a test, or an empty one.
StartHandler TestStartHandler();

// The shell's answer to `request`, on the calling thread, which is in the
// shell's apartment (InShellApartment).
SystemError OpenWithShell(const ShellRequest& request);
// Runs `work` on the calling thread in the apartment the shell's COM objects
// need; a test's answer to a shell start runs there too, so it can see it.
SystemError InShellApartment(const std::function<SystemError()>& work);
// Runs `work` on a new thread of its own and returns at once: 0, or the
// system's number for why no thread could be started.
SystemError RunOnThreadOfItsOwn(std::function<void()> work);

#ifdef _WIN32
// What `folder` holds whose name matches `pattern` ("*", "*.lnk"), "." and
// ".." left out; nothing when it cannot be read.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
};
std::vector<FolderEntry> FolderEntries(const std::string& folder, const char* pattern);
#endif

}  // namespace platform::detail
