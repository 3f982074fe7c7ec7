#include "support/core_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include "log/log.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

std::string UniqueName() {
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    std::ostringstream name;
    name << "orvix_test_" << std::hex << device() << '_' << counter++;
    return name.str();
}

}  // namespace

TempDir::TempDir() {
    const fs::path directory = fs::temp_directory_path() / UniqueName();
    fs::create_directories(directory);
    path = directory.string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::string TempDir::File(const std::string& name) const { return path + platform::PathSeparator + name; }

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
    // UTF-8, as the program keeps paths; the wide call keeps any character.
    _wputenv_s(platform::WidePath(name).c_str(), platform::WidePath(value).c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

void UnsetEnv(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");  // an empty value removes the variable
#else
    unsetenv(name);
#endif
}

void ForEachMissingHome(const std::function<void()>& check) {
    {
        SCOPED_TRACE("USERPROFILE empty");
        SetEnv("USERPROFILE", "");
        check();
    }
    {
        SCOPED_TRACE("USERPROFILE unset");
        UnsetEnv("USERPROFILE");
        check();
    }
}

ScopedEnv::ScopedEnv(const char* name) : name(name), saved(platform::EnvironmentVariable(name)) {}

ScopedEnv::~ScopedEnv() {
    if (saved)
        SetEnv(name.c_str(), *saved);
    else
        UnsetEnv(name.c_str());
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& directory)
    : saved(fs::current_path().string()) {
    fs::current_path(directory);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    std::error_code ignored;
    fs::current_path(saved, ignored);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void MakeDirectory(const std::string& path) { fs::create_directories(path); }

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string ConfigFileText(const ConfigValues& values) {
    std::ostringstream text;
    text << ConfigComments << values.programPath << "\r\n"
         << values.launchTime << "\r\n"
         << values.interval << "\r\n";
    for (char day : values.days) text << day << "\r\n";
    text << values.windowsProgram << "\r\n"
         << values.autoRestart << "\r\n"
         << values.iconized << "\r\n# eof\r\n";
    return text.str();
}

void SetTimeZone(const char* zone) {
    SetEnv("TZ", zone);
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
}

platform::Moment LocalMoment(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    platform::Moment moment = -1;
    EXPECT_TRUE(platform::FromLocalTime(local, moment))
        << year << "-" << month << "-" << day << " " << hour << ":" << minute << ":" << second;
    return moment;
}

std::string ExecutableDirectory() {
#ifdef _WIN32
    // The path may be longer than MAX_PATH; grow until it fits.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size())
            return fs::path(std::string(buffer.data(), length)).parent_path().string();
        buffer.resize(buffer.size() * 2);
    }
#else
    return fs::read_symlink("/proc/self/exe").parent_path().string();
#endif
}

std::string MarkerWriterPath() { return HelperProgramPath("marker_writer"); }

std::string HelperProgramPath(const std::string& name) {
#ifdef _WIN32
    return ExecutableDirectory() + "\\" + name + ".exe";
#else
    return ExecutableDirectory() + "/" + name;
#endif
}

#ifdef _WIN32
bool InSingleThreadedApartment() {
    // The start under test loaded ole32; the tests do not import it.
    using GetApartmentType = HRESULT(WINAPI*)(APTTYPE*, APTTYPEQUALIFIER*);
    const auto get = reinterpret_cast<GetApartmentType>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ole32.dll"), "CoGetApartmentType")));
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    return get != nullptr && SUCCEEDED(get(&type, &qualifier)) &&
           (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

std::string UncShare() {
    const std::string prefix = platform::EnvironmentVariable("WINEPREFIX")
                                   .value_or(platform::EnvironmentVariable("HOME").value_or("") + "/.wine");
    const fs::path share = fs::path("Z:" + prefix) / "dosdevices" / "unc" / "orvix-test" / "share";
    fs::remove_all(share);
    fs::create_directories(share);
    return "\\\\orvix-test\\share";
}

bool RunTogether(const std::vector<std::vector<std::string>>& commands) {
    bool succeeded = true;
    std::vector<HANDLE> processes;
    for (const auto& command : commands) {
        std::string line;
        for (const std::string& argument : command) line += "\"" + argument + "\" ";
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &started)) {
            succeeded = false;
            continue;
        }
        CloseHandle(started.hThread);
        processes.push_back(started.hProcess);
    }
    for (HANDLE process : processes) {
        DWORD status = 1;
        WaitForSingleObject(process, INFINITE);
        succeeded = GetExitCodeProcess(process, &status) && status == 0 && succeeded;
        CloseHandle(process);
    }
    return succeeded;
}
#else
bool RunTogether(const std::vector<std::vector<std::string>>& commands) {
    bool succeeded = true;
    std::vector<pid_t> children;
    for (const auto& command : commands) {
        std::vector<std::vector<char>> arguments;
        for (const std::string& argument : command)
            arguments.emplace_back(argument.c_str(), argument.c_str() + argument.size() + 1);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            succeeded = false;
            continue;
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        succeeded =
            waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && succeeded;
    }
    return succeeded;
}
#endif

bool WaitForFile(const std::string& path, const std::string& expectedContent) {
    for (int attempt = 0; attempt < 600; ++attempt) {
        if (ReadFileBytes(path) == expectedContent) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void ClockFixture::SetUp() {
    SetEnv("USERPROFILE", home.Path());
    SetTimeZone("UTC0");
    logtest::CloseLogStream();
    platform::SetTestClock(StartTime);
}

void ClockFixture::TearDown() {
    platform::ClearTestClock();
    logtest::CloseLogStream();
}

}  // namespace testsupport
