// CFileDialog over the common file dialog.
#include "framework/afx.h"

#include <commdlg.h>

#include <utility>
#include <vector>

namespace {

afxtest::FileDialogHandler fileDialogHandler;

// Room for the longest path the file dialog can hand back.
constexpr size_t kPathBufferSize = 32768;

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

    BOOL chosen = openFileDialog ? GetOpenFileNameA(&request) : GetSaveFileNameA(&request);
    if (!chosen) {
        pathName.clear();
        return IDCANCEL;
    }
    pathName = path.data();
    return IDOK;
}

namespace afxtest {
void SetFileDialogHandler(FileDialogHandler handler) { fileDialogHandler = std::move(handler); }
}  // namespace afxtest
