#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fuzzsupport {

namespace {

std::string homeDirectory;

void RemoveHome() {
    std::error_code ignored;
    std::filesystem::remove_all(homeDirectory, ignored);
}

}  // namespace

std::string MakeHome() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/orvix_fuzz_XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) BrokenPromise("cannot create a home directory from " + pattern);
    homeDirectory = name.data();
    std::atexit(RemoveHome);
    setenv("USERPROFILE", homeDirectory.c_str(), 1);
    setenv("TZ", "UTC0", 1);
    tzset();
    return homeDirectory;
}

void BrokenPromise(const std::string& what) {
    std::fprintf(stderr, "\nBroken promise: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

std::string Escaped(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\\')
            text += "\\\\";
        else if (c >= 32 && c < 127)
            text += static_cast<char>(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            text += hex;
        }
    }
    return text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) BrokenPromise("cannot write " + path);
}

}  // namespace fuzzsupport
