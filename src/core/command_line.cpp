#include "core/command_line.h"

#include <utility>

namespace {

const char* const Blanks = " \t";

CommandLineParts PartsAt(const std::string& text, std::string program, std::size_t end) {
    const std::size_t rest = text.find_first_not_of(Blanks, end);
    return {std::move(program), rest == std::string::npos ? "" : text.substr(rest)};
}

}  // namespace

CommandLineParts SplitAtProgram(const std::string& commandLine,
                                const std::function<bool(const std::string&)>& names) {
    const std::size_t start = commandLine.find_first_not_of(Blanks);
    if (start == std::string::npos) return {};
    const std::string text = commandLine.substr(start);
    if (text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        if (close == std::string::npos) return {text.substr(1), ""};
        return PartsAt(text, text.substr(1, close - 1), close + 1);
    }
    // Each blank may end the program's name; the system tries them in turn.
    for (std::size_t end = text.find_first_of(Blanks); end != std::string::npos;
         end = text.find_first_of(Blanks, text.find_first_not_of(Blanks, end))) {
        if (names(text.substr(0, end))) return PartsAt(text, text.substr(0, end), end);
    }
    if (names(text)) return {text, ""};
    const std::size_t firstEnd = text.find_first_of(Blanks);
    return PartsAt(text, text.substr(0, firstEnd), firstEnd == std::string::npos ? text.size() : firstEnd);
}
