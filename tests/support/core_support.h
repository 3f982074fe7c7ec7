// Portable helpers for the tests of the core, the log and the platform seam.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/os.h"

namespace testsupport {

// A fresh, empty directory, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    // `name` inside this directory, joined with the system's separator.
    std::string File(const std::string& name) const;

private:
    std::string path;
};

void SetEnv(const char* name, const std::string& value);
void UnsetEnv(const char* name);

// Restores an environment variable to what it held at construction.
class ScopedEnv {
public:
    explicit ScopedEnv(const char* name);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name;
    std::optional<std::string> saved;
};

// Changes the working directory and restores it at the end.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& directory);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::string saved;
};

// Whole files as bytes; an empty text when the file cannot be read.
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
void MakeDirectory(const std::string& path);

// A POSIX-style zone ("UTC0", "EST5EDT") for the C library's local time.
void SetTimeZone(const char* zone);

// The directory holding the running test executable.
std::string ExecutableDirectory();

// The helper program that proves it ran by writing the file named in
// MarkerEnvName; with MarkerSleepEnvName set it first waits that many ms.
std::string MarkerWriterPath();
inline const char* const MarkerEnvName = "ORVIX_MARKER_FILE";
inline const char* const MarkerSleepEnvName = "ORVIX_MARKER_SLEEP_MS";
// Waits (bounded) for a file that another process is about to write.
bool WaitForFile(const std::string& path, const std::string& expectedContent);

// A fresh run for every test: its own home directory (USERPROFILE), a closed
// log stream, UTC local time and the clock set to `StartTime`.
class ClockFixture : public ::testing::Test {
protected:
    // Tuesday, March 2, 2004 - 09:05:07 UTC.
    static constexpr platform::Moment StartTime = 1078218307;

    void SetUp() override;
    void TearDown() override;

    std::string HomeFile(const std::string& name) const { return home.File(name); }
    std::string LogPath() const { return home.File("orvix_launcher_log.txt"); }
    std::string LogText() const { return ReadFileBytes(LogPath()); }

    TempDir home;

private:
    ScopedEnv savedHome{"USERPROFILE"};
    ScopedEnv savedZone{"TZ"};
};

}  // namespace testsupport
