// The levelled log: one process-wide stream that appends records to
// "orvix_launcher_log.txt" in the user's home directory.
#pragma once

#include <string>

// The log file's name; the file lies in the user's home directory.
inline const char* const LogFileName = "orvix_launcher_log.txt";

enum LogLevel : int { Debug = 0, Info = 1, Warn = 2, Fail = 3, Fatal = 4 };

// Names written in the record, all five characters wide so that the separator
// lines up. Indexed directly by the level; only 0..4 are valid.
inline const char* const LogLevelNames[5] = {"Debug", "Info ", "Warn ", "Fail ", "Fatal"};

// Appends one record and flushes it. Never fails visibly: a log that cannot be
// opened or written drops records silently for the rest of the run.
void LogMessage(LogLevel level, const char* sourceFile, int sourceLine, const std::string& message);

// The folder the log is kept in instead of the user's home directory, set
// before the first record; empty for the home directory.
void SetLogFolder(const std::string& folder);

namespace logtest {
// Closes the process-wide stream so that a test can start a fresh "run".
void CloseLogStream();
}  // namespace logtest
