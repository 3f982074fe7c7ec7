// The small application framework the windows stand on: an application object,
// a window base, modal dialogs, the file-open dialog and message boxes, as thin
// layers over Win32. The dialogs are Unicode windows, so that a control holds
// what is typed in any script. Paths and messages are UTF-8 text; the other
// texts of the controls are ANSI.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <optional>
#include <string>

class CObject {
public:
    virtual ~CObject() = default;
};

// A window known by its handle; not owned.
class CWnd : public CObject {
public:
    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const;
    std::string GetWindowText() const;
    void SetWindowText(const char* text);
    BOOL ShowWindow(int command);
    BOOL IsIconic() const;
    BOOL IsWindowVisible() const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void SetIcon(HICON icon, BOOL bigIcon);
    UINT_PTR SetTimer(UINT_PTR id, UINT milliseconds);
    // A timer that Windows does not bunch with others to save power, where
    // the system can be asked (Windows 8 and later); elsewhere a plain one.
    UINT_PTR SetPreciseTimer(UINT_PTR id, UINT milliseconds);
    BOOL KillTimer(UINT_PTR id);
    HMENU GetSystemMenu(BOOL revert) const;
    void SetFocus();
    BOOL SetForegroundWindow();

    // Button check state and enabling of a child control, looked up by identifier.
    UINT IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, UINT state);
    void EnableDlgItem(int id, BOOL enable);
};

// Text of a control by handle (helpers over handles, for controls not wrapped in a CWnd).
std::string HwndGetText(HWND hwnd);
void HwndSetText(HWND hwnd, const char* text);
// The same as UTF-16, as the control holds it.
std::wstring HwndGetWideText(HWND hwnd);
void HwndSetWideText(HWND hwnd, const std::wstring& text);

// UTF-8 text (or text in `codePage`) as UTF-16, and UTF-16 as UTF-8; empty
// when it cannot be converted.
std::wstring AfxWideText(const std::string& text, UINT codePage = CP_UTF8);
std::string AfxUtf8Text(const std::wstring& wide);

// A modal dialog from a dialog template. The object travels in
// DialogBoxParamW's lParam and is stored at WM_INITDIALOG; each derived
// dialog maps its messages to handlers in OnMessage.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until EndDialog; returns its result, or -1 when the
    // window could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    UINT GetTemplateId() const { return templateId; }

    virtual BOOL OnInitDialog();
    // The defaults end the dialog: Enter on an OK button, Escape, and a
    // WM_CLOSE from outside (which the dialog manager turns into Cancel).
    virtual void OnOK();
    virtual void OnCancel();

protected:
    // The one place where a dialog maps messages to handlers. Return true
    // when the message was handled and put its result in `result`. The base
    // routes IDOK and IDCANCEL to OnOK and OnCancel.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Lets the dialog manager's default processing run for the message being
    // handled, after the handler returns.
    void Default();

    CWnd* parentWindow;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId;
    bool defaultRequested = false;
};

// The file-open (or save) dialog.
class CFileDialog : public CObject {
public:
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    // IDOK or IDCANCEL; -1, after a message box that says why, when no file
    // dialog could be shown (its library or function missing, or it failed).
    // The path is then left as it was.
    INT_PTR DoModal();
    // The chosen path (AfxAnsiSafePath). Empty after Cancel, and after OK
    // when the path has no form that the ANSI code page holds.
    std::string GetPathName() const { return pathName; }

private:
    BOOL openFileDialog;
    std::string defaultExtension;
    std::string filter;
    DWORD flags;
    CWnd* parent;
    std::string pathName;
};

// The application object. Exactly one exists; its InitInstance runs the program.
class CWinApp : public CObject {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;
    virtual BOOL InitInstance();
    // After InitInstance: the process's exit code.
    virtual int ExitInstance();

    CWnd* m_pMainWnd = nullptr;
    int m_nCmdShow = SW_SHOWDEFAULT;
    HINSTANCE m_hInstance = nullptr;
    // The title: the given name, or the executable's file name without its extension.
    std::string m_pszAppName;
};

CWinApp* AfxGetApp();
// The running executable's full path as UTF-8; empty when it cannot be read.
std::string AfxExecutablePath();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// Runs the application object: sets up the common controls, calls
// InitInstance and returns ExitInstance's exit code.
int AfxWinMain(HINSTANCE instance, int showCommand);

// A message box with the application title as caption. With no icon in `type`
// it shows the exclamation icon. `text` is UTF-8.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The same, owned by `owner`, such as the dialog whose input it is about.
int AfxMessageBox(HWND owner, const std::string& text, UINT type = MB_OK);
// A message box with its own caption, for text in any script; the test seam
// sees both as UTF-8.
int AfxMessageBoxW(const std::wstring& text, const std::wstring& caption, UINT type = MB_OK);
// `path` as UTF-8 text in a form the ANSI code page holds exactly, so that
// ANSI text can keep it: the path itself, or else its short 8.3 form, which
// names the same file. Nothing when neither holds (the file is gone, or its
// volume keeps no short names). A character the code page lacks would
// otherwise become a look-alike ("A" for "Ā") and name another file.
std::optional<std::string> AfxAnsiSafePath(const std::wstring& path);
// A system library by name, from the system folder only, never from the
// program's folder or the working folder; nullptr when it cannot be loaded.
HMODULE AfxLoadSystemLibrary(const char* name);
// The function `name` of `module`, as the type the caller names; nullptr when
// the module or the function is missing. Looked up rather than imported, the
// program still starts on a Windows that lacks it.
template <typename Function>
Function AfxProcedure(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    // Through the generic function pointer type, which may become any other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
// The shell's "open" verb on a file or address.
void AfxShellOpen(HWND owner, const char* file);
// Shell_NotifyIconW on a notification-area icon record.
BOOL AfxShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data);
// TrackPopupMenu; with TPM_RETURNCMD it returns the chosen identifier, or 0.
BOOL AfxTrackPopupMenu(HMENU menu, UINT flags, POINT at, HWND owner);
// Icon resource `id` at `size` pixels square, from its image of that size
// where it has one. The caller owns the icon (OwnedIcon).
HICON AfxLoadIconOfSize(UINT id, int size);
// Icon resource `id` at the system's small-icon size, which grows with the
// display scaling (16 px at 100 %, 20 at 125 %, 24 at 150 %). The caller owns it.
HICON AfxLoadSmallIcon(UINT id);
// The same at the small-icon size of the scaling `dpi` (24 px at 144 dpi),
// where the system can say it (Windows 10, 1607 and later); elsewhere as
// AfxLoadSmallIcon. The caller owns it.
HICON AfxLoadSmallIconForDpi(UINT id, UINT dpi);
// The scaling the window is drawn at, in dots per inch (96 is 100 %): its
// monitor's where the system tells it per window, else the system's.
UINT AfxWindowDpi(HWND window);
// Whether the user has high contrast on, as SPI_GETHIGHCONTRAST says now.
bool AfxHighContrastOn();
// The scaling the task bar, and so the notification area, is drawn at: that
// of its window, or the system's where there is none.
UINT AfxTaskbarDpi();

// An icon handle destroyed with the object.
class OwnedIcon {
public:
    explicit OwnedIcon(HICON icon = nullptr) : icon(icon) {}
    ~OwnedIcon() {
        if (icon) DestroyIcon(icon);
    }
    OwnedIcon(const OwnedIcon&) = delete;
    OwnedIcon& operator=(const OwnedIcon&) = delete;
    HICON Get() const { return icon; }
    // Takes `replacement` and destroys the icon held so far.
    void Reset(HICON replacement) {
        if (icon) DestroyIcon(icon);
        icon = replacement;
    }

private:
    HICON icon;
};

// Kept for the start-up sequence; nothing to do on this platform.
void AfxEnableControlContainer();
BOOL Enable3dControlsStatic();

// Seams for tests: each replaces a piece that would otherwise wait for a person.
namespace afxtest {
// Answers every AfxMessageBox; an empty function restores the real box.
using MessageBoxHandler = std::function<int(const std::string& text, UINT type, const std::string& caption)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
// Answers every CFileDialog::DoModal: fills the path, as the dialog hands it
// back in UTF-16, and returns IDOK or IDCANCEL.
using FileDialogHandler = std::function<INT_PTR(std::wstring& pathName)>;
void SetFileDialogHandler(FileDialogHandler handler);
// Loads the real file dialog from this library in place of comdlg32.dll, so
// that a test can make it missing; an empty name restores comdlg32.dll.
void SetFileDialogLibrary(const std::string& name);
// Sees every AfxShellOpen instead of the shell.
using ShellOpenHandler = std::function<void(HWND owner, const std::string& verb, const std::string& file)>;
void SetShellOpenHandler(ShellOpenHandler handler);
// Sees every AfxShellNotifyIcon instead of the shell.
using NotifyIconHandler = std::function<BOOL(DWORD message, const NOTIFYICONDATAW& data)>;
void SetNotifyIconHandler(NotifyIconHandler handler);
// Answers every AfxTrackPopupMenu in place of the user, as the real call does.
using PopupMenuHandler = std::function<BOOL(HMENU menu, UINT flags, POINT at, HWND owner)>;
void SetPopupMenuHandler(PopupMenuHandler handler);
// Called for every dialog run by DoModal, from inside its modal loop, once the
// dialog is set up and shown. The observer drives the dialog and ends it.
using ModalObserver = std::function<void(CDialog& dialog)>;
void SetModalObserver(ModalObserver observer);
// Answers every CWnd::SetTimer instead of the system: returns the timer's
// identifier, or 0 for a timer that could not be set. An empty function
// restores the real timers.
using TimerHandler = std::function<UINT_PTR(HWND window, UINT_PTR id, UINT milliseconds)>;
void SetTimerHandler(TimerHandler handler);
// Answers every AfxHighContrastOn instead of the system, which Wine cannot
// switch; std::nullopt gives the system's answer again.
void SetHighContrast(std::optional<bool> on);
}  // namespace afxtest
