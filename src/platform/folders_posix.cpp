// Folders on POSIX systems, where the core's tests run: listed, made, and
// their names compared as Windows compares them.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/os.h"

namespace platform {

namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};

// The next character of UTF-8 `text` at `at`, which moves past it; a stray
// byte stands for itself.
char32_t NextCharacter(const std::string& text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    const int following = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t character = following == 0 ? lead : lead & (0x3FU >> following);
    for (int count = 0; count < following && at < text.size(); ++count)
        character = (character << 6) | (static_cast<unsigned char>(text[at++]) & 0x3FU);
    return character;
}

// Capitals of the Latin, Greek and Cyrillic letters, as Windows' file names
// ignore their case.
char32_t InCapitals(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

}  // namespace

std::vector<std::string> SubfolderNames(const std::string& folder) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, DirectoryCloser> directory(opendir(folder.c_str()));
    if (!directory) return names;
    const std::string prefix = folder + PathSeparator;
    while (const dirent* entry = readdir(directory.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && KindOfPath(prefix + name) == PathKind::Folder)
            names.push_back(name);
    }
    return names;
}

SystemError MakeFolder(const std::string& folder) {
    return mkdir(folder.c_str(), 0777) == 0 ? 0 : static_cast<SystemError>(errno);
}

int CompareFileNames(const std::string& left, const std::string& right) {
    std::size_t l = 0;
    std::size_t r = 0;
    while (l < left.size() && r < right.size()) {
        const char32_t a = InCapitals(NextCharacter(left, l));
        const char32_t b = InCapitals(NextCharacter(right, r));
        if (a != b) return a < b ? -1 : 1;
    }
    return (l < left.size() ? 1 : 0) - (r < right.size() ? 1 : 0);
}

}  // namespace platform
