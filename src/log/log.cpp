// The levelled log: records appended to one file that stays open for the run.
#include "log/log.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "platform/os.h"

namespace {

// Same width as a real time text, so a record stays aligned when the clock
// has no local time.
const char* const UnknownTimeText = "??:??:?? - ??.??.????";
const char* const LineEnd = "\r\n";

struct FileCloser {
    // A failed close here has no one to tell; whoever must know closes and checks itself.
    void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
};

enum class StreamState { None, Open, Failed };

StreamState streamState = StreamState::None;
std::unique_ptr<std::FILE, FileCloser> logFile;

std::string LogFilePath() {
    const std::string home = platform::EnvironmentVariable("USERPROFILE").value_or("");
    if (home.empty()) return LogFileName;
    return home + platform::PathSeparator + LogFileName;
}

// Append mode: every write lands at the current end of the file, so a record
// written after the log viewer emptied the file starts at its first byte.
void OpenStream() {
    logFile.reset(std::fopen(LogFilePath().c_str(), "ab"));
    streamState = logFile ? StreamState::Open : StreamState::Failed;
}

std::string HeaderTimeText() {
    std::tm local{};
    if (!platform::ToLocalTime(platform::CurrentTime(), local)) return UnknownTimeText;
    char text[80] = {};
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text, so nothing is cut off.
    std::snprintf(text, sizeof text, "%02d:%02d:%02d - %02d.%02d.%04d", local.tm_hour, local.tm_min,
                  local.tm_sec, local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return text;
}

const char* LevelName(LogLevel level) {
    if (level < Debug || level > Fatal) return "?????";
    return LogLevelNames[level];
}

std::string WithCrLf(const std::string& text) {
    std::string converted;
    converted.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n')
            converted += LineEnd;
        else
            converted += c;
    }
    return converted;
}

std::string FormatRecord(LogLevel level, const char* sourceFile, int sourceLine, const std::string& message) {
    std::string record = std::string(LevelName(level)) + " - " + HeaderTimeText() + LineEnd;
    if (level != Info) {
        record += "File: ";
        record += sourceFile != nullptr ? sourceFile : "";
        record += " Line: " + std::to_string(sourceLine) + LineEnd;
    }
    record += WithCrLf(message) + LineEnd + LineEnd;
    return record;
}

}  // namespace

void LogMessage(LogLevel level, const char* sourceFile, int sourceLine, const std::string& message) {
    if (streamState == StreamState::None) OpenStream();
    if (streamState != StreamState::Open) return;
    const std::string record = FormatRecord(level, sourceFile, sourceLine, message);
    const bool written = std::fwrite(record.data(), 1, record.size(), logFile.get()) == record.size();
    if (!written || std::fflush(logFile.get()) != 0) {
        logFile.reset();
        streamState = StreamState::Failed;
    }
}

namespace logtest {

void CloseLogStream() {
    logFile.reset();
    streamState = StreamState::None;
}

}  // namespace logtest
