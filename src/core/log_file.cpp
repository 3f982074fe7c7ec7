#include "core/log_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "core/owned_file.h"
#include "core/program.h"
#include "log/log.h"
#include "platform/os.h"

namespace {

// Bytes in the file, or nothing when it cannot be told.
std::optional<std::size_t> FileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
    const long size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return std::nullopt;
    return static_cast<std::size_t>(size);
}

}  // namespace

std::string LogViewerPath() {
    return HomeDirectoryFor(GetProgramDirectory()) + platform::PathSeparator + LogFileName;
}

std::optional<std::string> ReadLogFile(const std::string& path) {
    OwnedFile file(platform::OpenFile(path, "rb"));
    if (!file) return std::nullopt;
    const std::optional<std::size_t> size = FileSize(file.get());
    if (!size) return std::nullopt;
    std::string bytes(*size, '\0');
    // The file may have shrunk since its size was taken; what is there counts.
    const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (std::ferror(file.get()) != 0) return std::nullopt;
    bytes.resize(read);
    return bytes;
}

std::string LogViewText(const std::string& bytes) {
    const auto lineFeeds = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    std::string text;
    text.reserve(bytes.size() + lineFeeds + 2);
    char previous = '\0';
    for (char c : bytes) {
        if (c == '\n' && previous != '\r') text += '\r';
        text += c == '\0' ? ' ' : c;
        previous = c;
    }
    if (!bytes.empty() && bytes.back() != '\n') text += "\r\n";
    return text;
}

bool EmptyLogFile(const std::string& path) { return OwnedFile(platform::OpenFile(path, "wb")) != nullptr; }
