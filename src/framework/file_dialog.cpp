// CFileDialog over the common file dialog. Its library is loaded at the first
// DoModal, from the system folder only: the first window does not need it, and
// under it hang the printing libraries. The dialog runs in UTF-16, so that a
// file in a folder named in any script can be chosen; the chosen path is
// handed on as UTF-8 text, in its short form where ANSI cannot hold its name.
#include "framework/afx.h"

#include <commdlg.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

afxtest::FileDialogHandler fileDialogHandler;
const char* const kDialogLibrary = "comdlg32.dll";
std::string dialogLibraryName = kDialogLibrary;

// Room for the longest path the file dialog can hand back.
constexpr size_t kPathBufferSize = 32768;

using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEW);
using ExtendedErrorFunction = DWORD(WINAPI*)();

// ANSI text as UTF-16; empty when it cannot be converted.
std::wstring Widened(const std::string& text) { return AfxWideText(text, CP_ACP); }

// Whether the ANSI code page holds every character of `text`: converted
// without look-alikes and back, it is the same text again.
bool HoldsInAnsi(const std::wstring& text) {
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const int size = static_cast<int>(text.size());
    // UTF-8 as the ANSI code page (an option of Windows 10) takes no such
    // flag, and holds every character anyway.
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, ansi.data(), length, nullptr, nullptr);
    return Widened(ansi) == text;
}

// "Programs|*.exe|All files|*.*||" -> the double-NUL list the dialog reads.
std::vector<wchar_t> FilterList(const std::string& filter) {
    const std::wstring wide = Widened(filter);
    std::vector<wchar_t> list(wide.begin(), wide.end());
    for (wchar_t& c : list) {
        if (c == L'|') c = L'\0';
    }
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

// A library kept loaded for the rest of the run once the file dialog has
// needed it.
class SystemLibrary {
public:
    explicit SystemLibrary(std::string name)
        : name(std::move(name)), module(AfxLoadSystemLibrary(this->name.c_str())) {}
    ~SystemLibrary() {
        if (module != nullptr) FreeLibrary(module);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    bool Loaded() const { return module != nullptr; }
    const std::string& Name() const { return name; }

    // The named function, or null.
    template <typename Function>
    Function Find(const char* function) const {
        return AfxProcedure<Function>(module, function);
    }

private:
    std::string name;
    HMODULE module;
};

// Loaded at the first DoModal and kept for the rest of the run.
std::unique_ptr<SystemLibrary> dialogLibrary;

// A library that failed to load is tried again at the next call.
const SystemLibrary& DialogLibrary() {
    if (!dialogLibrary || !dialogLibrary->Loaded())
        dialogLibrary = std::make_unique<SystemLibrary>(dialogLibraryName);
    return *dialogLibrary;
}

// Says why no file dialog shows; the caller then leaves everything as it was.
void ReportUnavailable(const std::string& why) {
    const std::string text =
        "The file dialog cannot be opened: " + why + "\n\nType the program's path into the box instead.";
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONHAND);
}

std::string Hex(DWORD value) {
    char digits[16] = {};
    snprintf(digits, sizeof digits, "0x%lX", static_cast<unsigned long>(value));
    return digits;
}

}  // namespace

std::optional<std::string> AfxAnsiSafePath(const std::wstring& path) {
    if (HoldsInAnsi(path)) return AfxUtf8Text(path);
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring shortPath(size, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), size);
    if (length == 0 || length >= size) return std::nullopt;
    shortPath.resize(length);
    if (!HoldsInAnsi(shortPath)) return std::nullopt;
    return AfxUtf8Text(shortPath);
}

// The library by name from the system folder. Windows 7 without the update
// that brought the search flags refuses them; there the full path does it.
HMODULE AfxLoadSystemLibrary(const char* name) {
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    std::string path(MAX_PATH, '\0');
    UINT length = GetSystemDirectoryA(&path[0], static_cast<UINT>(path.size()));
    if (length == 0 || length >= path.size()) return nullptr;
    path.resize(length);
    return LoadLibraryExA((path + "\\" + name).c_str(), nullptr, 0);
}

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : openFileDialog(openFileDialog),
      defaultExtension(defaultExtension != nullptr ? defaultExtension : ""),
      filter(filter != nullptr ? filter : ""),
      flags(flags),
      parent(parent),
      pathName(fileName != nullptr ? fileName : "") {}

INT_PTR CFileDialog::DoModal() {
    if (fileDialogHandler) {
        std::wstring chosen = AfxWideText(pathName);
        INT_PTR result = fileDialogHandler(chosen);
        pathName = result == IDOK ? AfxAnsiSafePath(chosen).value_or("") : std::string();
        return result;
    }

    const SystemLibrary& library = DialogLibrary();
    const char* const functionName = openFileDialog ? "GetOpenFileNameW" : "GetSaveFileNameW";
    auto showDialog = library.Find<FileDialogFunction>(functionName);
    if (showDialog == nullptr) {
        ReportUnavailable(library.Loaded() ? library.Name() + " has no " + functionName + "."
                                           : library.Name() + " could not be loaded from the system folder.");
        return -1;
    }

    std::vector<wchar_t> path(kPathBufferSize, L'\0');
    AfxWideText(pathName).copy(path.data(), path.size() - 1);
    std::vector<wchar_t> filterList = FilterList(filter);
    const std::wstring extension = Widened(defaultExtension);
    CWnd* owner = parent != nullptr ? parent : AfxGetMainWnd();

    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
    request.lpstrFilter = filter.empty() ? nullptr : filterList.data();
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The dialog would otherwise move the process's working directory to
    // wherever the user browsed, and relative paths would follow it.
    request.Flags = flags | OFN_EXPLORER | OFN_NOCHANGEDIR;

    if (!showDialog(&request)) {
        // FALSE is also how the dialog says it failed to open; that is no Cancel.
        auto extendedError = library.Find<ExtendedErrorFunction>("CommDlgExtendedError");
        const DWORD error = extendedError != nullptr ? extendedError() : 0;
        if (error != 0) {
            ReportUnavailable("it failed with error " + Hex(error) + ".");
            return -1;
        }
        pathName.clear();
        return IDCANCEL;
    }
    pathName = AfxAnsiSafePath(path.data()).value_or("");
    return IDOK;
}

namespace afxtest {
void SetFileDialogHandler(FileDialogHandler handler) { fileDialogHandler = std::move(handler); }
void SetFileDialogLibrary(const std::string& name) {
    dialogLibraryName = name.empty() ? kDialogLibrary : name;
    dialogLibrary.reset();
}
}  // namespace afxtest
