// The program path box. It holds UTF-16, so that a path typed or pasted in
// any script reaches the launcher as it is; the settings file, though, keeps
// ANSI text, where a character the code page lacks would become a look-alike
// that names another file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The box's path, as UTF-8, in a form the settings file keeps exactly: the
// path itself, or its short 8.3 name. Nothing when it has no such form.
std::optional<std::string> KeptPathInBox(HWND box);
// Shows `path` (UTF-8) in the box.
void ShowPathInBox(HWND box, const std::string& path);
// Before a command takes the typed path: the box shows the form that will
// be kept. False, after a message that says why, when there is none.
bool AcceptPathInBox(HWND box);
