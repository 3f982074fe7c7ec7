// The operating-system seam on POSIX systems (the native build of the core).
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/os.h"
#include "platform/os_detail.h"

// POSIX does not promise that <unistd.h> declares it.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace platform {

namespace detail {

bool SystemLocalTime(std::time_t moment, std::tm& local) { return localtime_r(&moment, &local) != nullptr; }

std::int64_t SystemMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace detail

namespace {

// Children started here are nobody else's to wait for; reaping the finished
// ones on each later start keeps zombies from piling up.
std::vector<pid_t> startedChildren;

void ReapFinishedChildren() {
    auto finished = [](pid_t child) {
        int status = 0;
        return waitpid(child, &status, WNOHANG) != 0;  // done, or no longer ours
    };
    startedChildren.erase(std::remove_if(startedChildren.begin(), startedChildren.end(), finished),
                          startedChildren.end());
}

// The command line is the program's path in one pair of quotes; the quoted
// text as a whole names the file, as on Windows.
std::string ProgramFileOf(const char* commandLine) {
    std::string file = commandLine;
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
    return file;
}

}  // namespace

bool StartProcess(char* commandLine) {
    ReapFinishedChildren();
    std::string file = ProgramFileOf(commandLine);
    if (file.empty()) return false;
    std::vector<char> argument(file.begin(), file.end());
    argument.push_back('\0');
    char* argv[] = {argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, file.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    startedChildren.push_back(child);
    return true;
}

void ReloadTimeZone() { tzset(); }

int RunCommandInterpreter(const char* commandLine) {
    // Running the command interpreter is this function's purpose.
    const int status = std::system(commandLine);  // NOLINT(cert-env33-c)
    if (status == -1) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return status;
}

std::optional<std::string> CurrentDirectory() {
    std::array<char, 260> buffer{};
    if (getcwd(buffer.data(), buffer.size()) == nullptr) return std::nullopt;
    return std::string(buffer.data());
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

// The file names are the bytes the system keeps; the texts carry them alike.
std::string AnsiPath(const std::string& path) { return path; }

bool FlushToDisk(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool ReplaceFile(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(getpid()); }

// One write to a descriptor in append mode moves to the end and writes in
// one step, so appenders in other processes cannot land inside it.
AppendFile::AppendFile(const std::string& path)
    : handle(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666)) {}

AppendFile::~AppendFile() {
    if (IsOpen()) close(static_cast<int>(handle));
}

bool AppendFile::IsOpen() const { return handle >= 0; }

// Not const: appending changes the file this object stands for.
bool AppendFile::Append(const std::string& bytes) {  // NOLINT(readability-make-member-function-const)
    if (!IsOpen()) return false;
    ssize_t written = -1;
    do {
        written = write(static_cast<int>(handle), bytes.data(), bytes.size());
    } while (written < 0 && errno == EINTR);
    return written >= 0 && static_cast<std::size_t>(written) == bytes.size();
}

}  // namespace platform
