// A command line's program told from the rest, as the system finds the
// program in a text it was given unquoted: "C:\Program Files\App\app.exe /x"
// names C:\Program Files\App\app.exe, with "/x" after it.
#pragma once

#include <functional>
#include <string>

struct CommandLineParts {
    std::string program;  // without its quotes
    std::string rest;     // from the first character after the blanks that follow it
};

// A quoted program ends at its closing quote. An unquoted one is the
// shortest run of blank-separated words that `names` accepts, or the first
// word when no run does.
CommandLineParts SplitAtProgram(const std::string& commandLine,
                                const std::function<bool(const std::string&)>& names);
