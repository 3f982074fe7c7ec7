// The operating-system seam on POSIX systems (the native build of the core).
#include <fcntl.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
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

// A command line split into words as Windows splits it, in its plain form:
// blanks separate words, and double quotes hold blanks inside one.
std::vector<std::string> CommandLineWords(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// Starts `words` (the first names the program) in `folder`, the child's
// identifier going to `child`. The system's error number, or 0.
SystemError Spawn(const std::vector<std::string>& words, const std::string& folder, pid_t& child) {
    if (words.empty() || words[0].empty()) return ENOENT;
    std::vector<std::string> storage = words;  // the call takes writable strings
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& word : storage) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return ENOMEM;
    int error = folder.empty() ? 0 : posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    if (error == 0) error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return static_cast<SystemError>(error);
}

std::uint32_t ExitStatusOf(int status) {
    if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return static_cast<std::uint32_t>(128 + WTERMSIG(status));
    return static_cast<std::uint32_t>(status);
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

PathKind KindOfPath(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return PathKind::Missing;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::File;
}

bool IsExistingFolder(const std::string& path) { return KindOfPath(path) == PathKind::Folder; }

bool RunsUnderWow64() { return false; }

std::string ExpandEnvironment(const std::string& text) {
    std::string expanded;
    std::size_t at = 0;
    for (std::size_t open = text.find('%'); open != std::string::npos; open = text.find('%', at)) {
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string::npos) break;
        const char* value =
            close > open + 1 ? std::getenv(text.substr(open + 1, close - open - 1).c_str()) : nullptr;
        // A name that is not set stays as typed, its closing % free to open the next.
        expanded += value != nullptr ? text.substr(at, open - at) + value : text.substr(at, close - at);
        at = value != nullptr ? close + 1 : close;
    }
    return expanded + text.substr(at);
}

void ReloadTimeZone() { tzset(); }

SystemError StartProcess(const std::string& commandLine, const std::string& folder) {
    if (auto answer = detail::AnswerStartForTest({"CreateProcess", "", commandLine, "", folder}))
        return *answer;
    ReapFinishedChildren();
    pid_t child = 0;
    const SystemError error = Spawn(CommandLineWords(commandLine), folder, child);
    if (error == 0) startedChildren.push_back(child);
    return error;
}

namespace detail {

// No shell here opens documents: the file itself is started. Its child is
// reaped by a thread of its own: these starts come from several threads.
SystemError OpenWithShell(const ShellRequest& request) {
    std::vector<std::string> words = CommandLineWords(request.parameters);
    words.insert(words.begin(), request.file);
    pid_t child = 0;
    const SystemError error = Spawn(words, request.folder, child);
    if (error == 0) {
        RunOnThreadOfItsOwn([child] {
            int status = 0;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        });
    }
    return error;
}

SystemError InShellApartment(const std::function<SystemError()>& work) { return work(); }

SystemError RunOnThreadOfItsOwn(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error& failure) {
        return static_cast<SystemError>(failure.code().value());
    }
    return 0;
}

}  // namespace detail

// Shared by the watch and its waiting thread; the lock keeps a report and
// the end of the watch apart.
struct CommandWatch::State {
    std::mutex lock;
    bool stopped = false;
    CommandEndHandler onEnd;
};

CommandWatch::CommandWatch(std::shared_ptr<State> state) : state(std::move(state)) {}

CommandWatch::~CommandWatch() {
    const std::lock_guard<std::mutex> guard(state->lock);
    state->stopped = true;
}

StartedCommand StartCommandInterpreter(const std::string& command, const std::string& folder,
                                       CommandEndHandler onEnd) {
    if (auto answer = detail::AnswerStartForTest({"CommandInterpreter", "", command, "", folder}))
        return {*answer, nullptr};
    ReapFinishedChildren();
    // As cmd's /s does: exactly the outer pair of quotes comes off.
    std::string script = command;
    if (script.size() >= 2 && script.front() == '"' && script.back() == '"')
        script = script.substr(1, script.size() - 2);
    pid_t child = 0;
    const SystemError error = Spawn({"/bin/sh", "-c", script}, folder, child);
    if (error != 0) return {error, nullptr};
    auto state = std::make_shared<CommandWatch::State>();
    state->onEnd = std::move(onEnd);
    try {
        // The thread reaps the child whenever it ends, watched or not.
        std::thread([state, child] {
            int status = 0;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            const std::lock_guard<std::mutex> guard(state->lock);
            if (!state->stopped) state->onEnd(ExitStatusOf(status));
        }).detach();
    } catch (const std::system_error&) {
        startedChildren.push_back(child);
        return {0, nullptr};  // started, but its end cannot be awaited
    }
    return {0, std::make_unique<CommandWatch>(std::move(state))};
}

std::string SystemErrorText(SystemError error) { return std::strerror(static_cast<int>(error)); }

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

namespace {

// 0: the file names are the bytes the system keeps, and the two files carry
// them alike. Otherwise the code page a test reads and writes them in.
unsigned ansiCodePage = 0;

// `text` from one character set into another; as it is when it cannot be.
std::string Converted(const std::string& text, const char* to, const char* from) {
    const iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return text;  // NOLINT(performance-no-int-to-ptr)
    std::string input = text;
    std::string output(text.size() * 4, '\0');
    char* in = input.data();
    char* out = output.data();
    std::size_t inLeft = input.size();
    std::size_t outLeft = output.size();
    const bool converted = iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    if (!converted) return text;
    output.resize(output.size() - outLeft);
    return output;
}

std::string CodePageName() { return "CP" + std::to_string(ansiCodePage); }

}  // namespace

std::string AnsiPath(const std::string& path) {
    return ansiCodePage == 0 ? path : Converted(path, CodePageName().c_str(), "UTF-8");
}

std::string PathFromAnsi(const std::string& ansi) {
    return ansiCodePage == 0 ? ansi : Converted(ansi, "UTF-8", CodePageName().c_str());
}

void SetAnsiCodePageForTests(unsigned codePage) { ansiCodePage = codePage; }

bool FlushToDisk(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool ReplaceFile(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(getpid()); }

std::optional<std::string> FinalPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
}

// File names here keep their case, and no other launcher is looked for.
std::string LauncherKey(const std::string& settingsFolder) {
    return FinalPath(settingsFolder).value_or(settingsFolder);
}

std::string LauncherMutexName(const std::string& settingsFolder) {
    return "OrvixLauncher.Settings." + LauncherKey(settingsFolder);
}

bool IsLauncherRunningOn(const std::string& /*settingsFolder*/) { return false; }

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
