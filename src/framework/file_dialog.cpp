// CFileDialog over the common file dialog. Its library is loaded at the first
// DoModal, from the system folder only: the first window does not need it, and
// under it hang the printing libraries.
#include "framework/afx.h"

#include <commdlg.h>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace {

afxtest::FileDialogHandler fileDialogHandler;
const char* const kDialogLibrary = "comdlg32.dll";
std::string dialogLibraryName = kDialogLibrary;

// Room for the longest path the file dialog can hand back.
constexpr size_t kPathBufferSize = 32768;

using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEA);
using ExtendedErrorFunction = DWORD(WINAPI*)();

// "Programs|*.exe|All files|*.*||" -> the double-NUL list the dialog reads.
std::vector<char> FilterList(const std::string& filter) {
    std::vector<char> list(filter.begin(), filter.end());
    for (char& c : list) {
        if (c == '|') c = '\0';
    }
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

// The library by name from the system folder. Windows 7 without the update
// that brought the search flags refuses them; there the full path does it.
HMODULE LoadSystemLibrary(const std::string& name) {
    HMODULE module = LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    std::string path(MAX_PATH, '\0');
    UINT length = GetSystemDirectoryA(&path[0], static_cast<UINT>(path.size()));
    if (length == 0 || length >= path.size()) return nullptr;
    path.resize(length);
    return LoadLibraryExA((path + "\\" + name).c_str(), nullptr, 0);
}

// A library kept loaded for the rest of the run once the file dialog has
// needed it.
class SystemLibrary {
public:
    explicit SystemLibrary(std::string name) : name(std::move(name)), module(LoadSystemLibrary(this->name)) {}
    ~SystemLibrary() {
        if (module != nullptr) FreeLibrary(module);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    bool Loaded() const { return module != nullptr; }
    const std::string& Name() const { return name; }

    // The named function, or null. Through the generic function pointer type,
    // which the compiler allows to become any other.
    template <typename Function>
    Function Find(const char* function) const {
        if (module == nullptr) return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, function)));
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
        std::string chosen = pathName;
        INT_PTR result = fileDialogHandler(chosen);
        pathName = result == IDOK ? chosen : std::string();
        return result;
    }

    const SystemLibrary& library = DialogLibrary();
    const char* const functionName = openFileDialog ? "GetOpenFileNameA" : "GetSaveFileNameA";
    auto showDialog = library.Find<FileDialogFunction>(functionName);
    if (showDialog == nullptr) {
        ReportUnavailable(library.Loaded() ? library.Name() + " has no " + functionName + "."
                                           : library.Name() + " could not be loaded from the system folder.");
        return -1;
    }

    std::vector<char> path(kPathBufferSize, '\0');
    pathName.copy(path.data(), path.size() - 1);
    std::vector<char> filterList = FilterList(filter);
    CWnd* owner = parent != nullptr ? parent : AfxGetMainWnd();

    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
    request.lpstrFilter = filter.empty() ? nullptr : filterList.data();
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
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
    pathName = path.data();
    return IDOK;
}

namespace afxtest {
void SetFileDialogHandler(FileDialogHandler handler) { fileDialogHandler = std::move(handler); }
void SetFileDialogLibrary(const std::string& name) {
    dialogLibraryName = name.empty() ? kDialogLibrary : name;
    dialogLibrary.reset();
}
}  // namespace afxtest
