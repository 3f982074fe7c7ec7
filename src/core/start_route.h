// How a program path is started: as Explorer's double click starts a file,
// as the Run box runs a command line, or through the command interpreter.
#pragma once

#include <string>

struct StartRoute {
    enum Kind { NewProcess, ShellOpen, CommandInterpreter };
    Kind kind = NewProcess;
    // NewProcess: the command line; CommandInterpreter: what follows "/c".
    std::string commandLine;
    // The file the shell opens, or the program that an elevated start opens.
    std::string file;
    // What follows the program on a typed command line.
    std::string parameters;
    // The folder it starts in; empty: the launcher's own working folder.
    std::string folder;
    // A typed command line: when the system finds no program for it, or
    // its file is no program (a script, a document), the shell opens `file`
    // with the parameters, as the Run box does.
    bool shellTakesOver = false;
};

// The route for `path`, its %VARIABLES% already expanded for a Windows
// program, as a Windows program or as a command.
StartRoute RouteFor(const std::string& path, bool windowsProgram);

// `text` with %ProgramFiles% and %CommonProgramFiles%, in any case, read as
// %ProgramW6432% and %CommonProgramW6432%: what a 64-bit Run box finds there,
// where a 32-bit launcher on 64-bit Windows is given the (x86) folders.
std::string WithNativeProgramFiles(const std::string& text);

// What follows "/c" to run `command` (taken as the interpreter takes it,
// inside an outer pair of quotes) in the UNC folder `folder`, where the
// interpreter cannot stand: pushd maps the folder to a free drive letter
// and goes there, popd releases the letter, and the command's own status
// stays the interpreter's.
std::string CommandInUncFolder(const std::string& command, const std::string& folder);
