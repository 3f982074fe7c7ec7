// The operating-system seam on Windows.
#include <windows.h>
#include <direct.h>
#include <io.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <type_traits>

// windows.h maps ReplaceFile to ReplaceFileA; ours is a different function.
#undef ReplaceFile

#include "platform/os.h"
#include "platform/os_detail.h"

namespace platform {

namespace detail {

bool SystemLocalTime(std::time_t moment, std::tm& local) { return localtime_s(&local, &moment) == 0; }

}  // namespace detail

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

}  // namespace

bool StartProcess(char* commandLine) {
    STARTUPINFOA startupInfo{};
    startupInfo.cb = sizeof(startupInfo);
    PROCESS_INFORMATION processInfo{};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                        &processInfo))
        return false;
    // The program runs on by itself; its handles are not needed here.
    OwnedHandle process(processInfo.hProcess);
    OwnedHandle thread(processInfo.hThread);
    return true;
}

int RunCommandInterpreter(const char* commandLine) { return std::system(commandLine); }

std::optional<std::string> CurrentDirectory() {
    std::array<char, 260> buffer{};
    if (_getcwd(buffer.data(), static_cast<int>(buffer.size())) == nullptr) return std::nullopt;
    return std::string(buffer.data());
}

bool FlushToDisk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool ReplaceFile(const std::string& source, const std::string& target) {
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           0;
}

}  // namespace platform
