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

enum class StreamState { None, Open, Failed };

StreamState streamState = StreamState::None;
std::unique_ptr<platform::AppendFile> logFile;
std::string logFolder;  // NOLINT(cert-err58-cpp): empty, so building it cannot throw

std::string LogFilePath() {
    if (!logFolder.empty()) return logFolder + platform::PathSeparator + LogFileName;
    const std::string home = platform::EnvironmentVariable("USERPROFILE").value_or("");
    if (home.empty()) return LogFileName;
    return home + platform::PathSeparator + LogFileName;
}

// Every record lands whole at the current end of the file: after the log
// viewer emptied it, at its first byte; with another copy of the program
// logging at once, before or after that copy's record, never inside it.
void OpenStream() {
    logFile = std::make_unique<platform::AppendFile>(LogFilePath());
    streamState = logFile->IsOpen() ? StreamState::Open : StreamState::Failed;
    if (streamState == StreamState::Failed) logFile.reset();
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
    // One write per record, so that the record reaches the file in one piece.
    if (!logFile->Append(FormatRecord(level, sourceFile, sourceLine, message))) {
        logFile.reset();
        streamState = StreamState::Failed;
    }
}

void SetLogFolder(const std::string& folder) { logFolder = folder; }

namespace logtest {

void CloseLogStream() {
    logFile.reset();
    streamState = StreamState::None;
}

}  // namespace logtest
