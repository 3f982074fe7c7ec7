// "Wake the computer to launch", kept in a small file of its own beside the
// configuration, orvix_launcher.ini, so that the configuration's 18 lines
// stay exactly as they are.
#pragma once

#include <string>

// The options file's path, in the folder the configuration uses, as the
// wide text Windows' profile calls take, so that any folder name works.
std::wstring OptionsFilePath();

// Off when the file is missing or cannot be read.
bool LoadWakeToRun();
// False when the file could not be written.
bool SaveWakeToRun(bool on);
