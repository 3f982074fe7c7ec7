// The log file as the log viewer reads and empties it. The log facility
// itself only ever appends; these never write a record.
#pragma once

#include <optional>
#include <string>

// The log file in the settings folder named at start-up, else in the user's
// home directory, or in the program directory when there is none. Worked out
// afresh on every call.
std::string LogViewerPath();

// The whole file as it is on disk, read in binary in one pass. Nothing when
// it cannot be opened or read.
std::optional<std::string> ReadLogFile(const std::string& path);

// The log's bytes as a multi-line text box needs them: every LF or CR LF
// becomes CR LF, a last line without a line feed gets one, and NUL bytes,
// which would end the box's text early, become blanks. Everything else, a
// stray CR or a Ctrl-Z included, stays as it is.
std::string LogViewText(const std::string& bytes);

// Empties the file, creating it when absent; false when it cannot be opened.
bool EmptyLogFile(const std::string& path);
