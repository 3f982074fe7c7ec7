// A log record of any level, source line, moment and message bytes reads
// back as what the log promises: the header "Name  - HH:MM:SS - MM.DD.YYYY",
// the line "File: <file> Line: <n>" for every level but Info, the message
// (each of its line feeds written as CR LF) and an empty line; every line
// ends in CR LF.
//
// The input: level, source line and clock moment as 32-bit little-endian
// integers, one byte choosing the source file, then the message. Missing
// bytes read as zero.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "log/log.h"
#include "platform/os.h"

using namespace fuzzsupport;

namespace {

std::string logPath;

// Callers pass __FILE__, so a source file is plain text without line ends.
const char* const SourceFiles[] = {"core/program.cpp", "ui/launcher_dialog.cpp", "", nullptr,
                                   "C:\\src dir\\a Line: 9.cpp"};
constexpr std::size_t SourceFileCount = sizeof SourceFiles / sizeof SourceFiles[0];

class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::int32_t Int32() {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{Byte()} << shift;
        return static_cast<std::int32_t>(value);
    }
    std::string Rest() {
        const std::string rest(reinterpret_cast<const char*>(data + at), size - at);
        at = size;
        return rest;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

std::string ExpectedName(std::int32_t level) {
    static const char* const Names[] = {"Debug", "Info ", "Warn ", "Fail ", "Fatal"};
    // A level outside the five has no name; the record still keeps its shape.
    return level >= 0 && level <= 4 ? Names[level] : "?????";
}

std::string ExpectedTimeText(platform::Moment moment) {
    const std::time_t seconds = moment;
    std::tm utc{};
    char text[64] = {};
    if (moment < 0 || gmtime_r(&seconds, &utc) == nullptr) return "??:??:?? - ??.??.????";
    std::strftime(text, sizeof text, "%H:%M:%S - %m.%d.%Y", &utc);
    return text;
}

struct Record {
    std::string name;
    std::string timeText;
    std::optional<std::string> sourceFile;
    std::optional<std::int64_t> sourceLine;
    std::string message;
};

// Splits off one line ended by CR LF; nothing when there is no such end.
std::optional<std::string> TakeLine(std::string& text) {
    const std::size_t end = text.find("\r\n");
    if (end == std::string::npos) return std::nullopt;
    std::string line = text.substr(0, end);
    text.erase(0, end + 2);
    return line;
}

std::optional<std::int64_t> PlainDecimal(const std::string& text) {
    const std::size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
    if (first == text.size() || text.size() - first > 10) return std::nullopt;
    if (text.find_first_not_of("0123456789", first) != std::string::npos) return std::nullopt;
    if (text[first] == '0' && text.size() > first + 1) return std::nullopt;
    return std::stoll(text);
}

// Reads the record without knowing what was written; the message is all
// between the header lines and the closing empty line.
Record ParseRecord(std::string text) {
    const std::string whole = text;
    const std::optional<std::string> header = TakeLine(text);
    if (!(header && header->size() == 29 && header->compare(5, 3, " - ") == 0))
        BrokenPromise("header: " + Escaped(whole));
    Record record{header->substr(0, 5), header->substr(8), std::nullopt, std::nullopt, ""};
    if (record.name != "Info ") {
        const std::optional<std::string> source = TakeLine(text);
        const std::string label = " Line: ";
        const std::size_t line = source ? source->rfind(label) : std::string::npos;
        if (!(source && source->compare(0, 6, "File: ") == 0 && line != std::string::npos && line >= 6))
            BrokenPromise("source line: " + Escaped(whole));
        record.sourceFile = source->substr(6, line - 6);
        record.sourceLine = PlainDecimal(source->substr(line + label.size()));
        if (!record.sourceLine.has_value()) BrokenPromise("line number: " + Escaped(whole));
    }
    const std::string end = "\r\n\r\n";
    if (!(text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0))
        BrokenPromise("no closing empty line: " + Escaped(whole));
    text.resize(text.size() - end.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
        if (text[at] == '\n' && (at == 0 || text[at - 1] != '\r'))
            BrokenPromise("bare line feed: " + Escaped(whole));
        record.message += text[at];
    }
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    logPath = MakeHome() + "/orvix_launcher_log.txt";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputReader input(data, size);
    const std::int32_t level = input.Int32();
    const std::int32_t sourceLine = input.Int32();
    const platform::Moment moment = input.Int32();
    const char* const sourceFile = SourceFiles[input.Byte() % SourceFileCount];
    const std::string message = input.Rest();

    logtest::CloseLogStream();
    std::remove(logPath.c_str());
    platform::SetTestClock(moment);
    LogMessage(static_cast<LogLevel>(level), sourceFile, sourceLine, message);

    const Record record = ParseRecord(ReadFile(logPath));
    if (record.name != ExpectedName(level))
        BrokenPromise("level " + std::to_string(level) + " named " + record.name);
    if (record.timeText != ExpectedTimeText(moment))
        BrokenPromise("moment " + std::to_string(moment) + " shown as " + record.timeText);
    if (record.sourceFile.has_value() != (level != Info))
        BrokenPromise("source line present for level " + std::to_string(level));
    if (record.sourceFile) {
        if (*record.sourceFile != (sourceFile != nullptr ? sourceFile : ""))
            BrokenPromise("source file " + *record.sourceFile);
        if (*record.sourceLine != sourceLine)
            BrokenPromise("line " + std::to_string(sourceLine) + " read back as " +
                          std::to_string(*record.sourceLine));
    }
    if (record.message != message)
        BrokenPromise("message \"" + Escaped(message) + "\" read back as \"" + Escaped(record.message) +
                      "\"");
    return 0;
}
