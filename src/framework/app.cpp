// The application object, its title, and the calls that reach past the program:
// message boxes and the shell.
#include "framework/afx.h"

#include <shellapi.h>

#include <utility>

namespace {

CWinApp* theApp = nullptr;
afxtest::MessageBoxHandler messageBoxHandler;
afxtest::ShellOpenHandler shellOpenHandler;

}  // namespace

// Grows the buffer until the path fits.
std::string AfxExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::string();
        if (length < path.size()) {
            path.resize(length);
            return AfxUtf8Text(path);
        }
        if (path.size() >= 32768) return std::string();
        path.resize(path.size() * 2);
    }
}

namespace {

// "C:\dir\OrvixLauncher.exe" -> "OrvixLauncher".
std::string ExecutableTitle() {
    std::string name = AfxExecutablePath();
    std::string::size_type slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string ApplicationTitle() {
    if (theApp != nullptr) return theApp->m_pszAppName;
    return ExecutableTitle();
}

HWND MainWindowHandle() {
    CWnd* main = AfxGetMainWnd();
    return main != nullptr ? main->GetSafeHwnd() : nullptr;
}

}  // namespace

CWinApp::CWinApp(const char* appName)
    : m_pszAppName(appName != nullptr && appName[0] != '\0' ? appName : ExecutableTitle()) {
    theApp = this;
}

CWinApp::~CWinApp() {
    if (theApp == this) theApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return theApp; }

CWnd* AfxGetMainWnd() { return theApp != nullptr ? theApp->m_pMainWnd : nullptr; }

HINSTANCE AfxGetInstanceHandle() {
    if (theApp != nullptr && theApp->m_hInstance != nullptr) return theApp->m_hInstance;
    return GetModuleHandleA(nullptr);
}

int AfxWinMain(HINSTANCE instance, int showCommand) {
    if (theApp == nullptr) return -1;
    theApp->m_hInstance = instance;
    theApp->m_nCmdShow = showCommand;
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                     ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    theApp->InitInstance();
    return theApp->ExitInstance();
}

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/) {
    return AfxMessageBox(MainWindowHandle(), text != nullptr ? text : "", type);
}

int AfxMessageBox(HWND owner, const std::string& text, UINT type) {
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    const std::string caption = ApplicationTitle();
    if (messageBoxHandler) return messageBoxHandler(text, type, caption);
    return MessageBoxW(owner, AfxWideText(text).c_str(), AfxWideText(caption).c_str(), type);
}

int AfxMessageBoxW(const std::wstring& text, const std::wstring& caption, UINT type) {
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    if (messageBoxHandler) return messageBoxHandler(AfxUtf8Text(text), type, AfxUtf8Text(caption));
    return MessageBoxW(MainWindowHandle(), text.c_str(), caption.c_str(), type);
}

void AfxShellOpen(HWND owner, const char* file) {
    const std::string target = file != nullptr ? file : "";
    if (shellOpenHandler) {
        shellOpenHandler(owner, "open", target);
        return;
    }
    ShellExecuteA(owner, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void AfxEnableControlContainer() {}

BOOL Enable3dControlsStatic() { return TRUE; }

namespace afxtest {
void SetMessageBoxHandler(MessageBoxHandler handler) { messageBoxHandler = std::move(handler); }
void SetShellOpenHandler(ShellOpenHandler handler) { shellOpenHandler = std::move(handler); }
}  // namespace afxtest
