// Folders on Windows, by their names in any script: listed, made, and their
// names compared as the file system compares them.
#include <windows.h>

#include <memory>
#include <type_traits>

#include "platform/os.h"
#include "platform/os_detail.h"

namespace platform {

namespace {

struct FindCloser {
    void operator()(HANDLE find) const { FindClose(find); }
};

}  // namespace

namespace detail {

std::vector<FolderEntry> FolderEntries(const std::string& folder, const char* pattern) {
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAW found{};
    const HANDLE first = FindFirstFileExW(WidePath(folder + "\\" + pattern).c_str(), FindExInfoBasic, &found,
                                          FindExSearchNameMatch, nullptr, 0);
    if (first == INVALID_HANDLE_VALUE) return entries;
    const std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser> search(first);
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back({Utf8Path(name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(search.get(), &found));
    return entries;
}

}  // namespace detail

std::vector<std::string> SubfolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const detail::FolderEntry& entry : detail::FolderEntries(folder, "*"))
        if (entry.isFolder) names.push_back(entry.name);
    return names;
}

SystemError MakeFolder(const std::string& folder) {
    return CreateDirectoryW(WidePath(folder).c_str(), nullptr) ? 0 : GetLastError();
}

int CompareFileNames(const std::string& left, const std::string& right) {
    // CSTR_LESS_THAN, CSTR_EQUAL and CSTR_GREATER are 1, 2 and 3.
    return CompareStringOrdinal(WidePath(left).c_str(), -1, WidePath(right).c_str(), -1, TRUE) - CSTR_EQUAL;
}

}  // namespace platform
