// What the fuzz targets share: a home directory of their own and a way to
// report a broken promise so that libFuzzer keeps the input as a finding.
#pragma once

#include <string>

namespace fuzzsupport {

// Creates an empty directory under TMPDIR (or /tmp), removed again at exit,
// and makes it the run's home: USERPROFILE names it. Local time is UTC.
std::string MakeHome();

// Prints `what` and aborts, so that libFuzzer keeps the input.
[[noreturn]] void BrokenPromise(const std::string& what);

// Bytes as C-style escapes, to show an input's text in a failure.
std::string Escaped(const std::string& bytes);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace fuzzsupport
