// CWnd: thin calls on a window handle, and text helpers over handles.
#include "framework/afx.h"

#include <climits>
#include <utility>

namespace {
afxtest::TimerHandler timerHandler;
}  // namespace

std::string HwndGetText(HWND hwnd) {
    if (hwnd == nullptr) return std::string();
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(hwnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void HwndSetText(HWND hwnd, const char* text) {
    if (hwnd != nullptr) SetWindowTextA(hwnd, text != nullptr ? text : "");
}

std::wstring HwndGetWideText(HWND hwnd) {
    if (hwnd == nullptr) return std::wstring();
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void HwndSetWideText(HWND hwnd, const std::wstring& text) {
    if (hwnd != nullptr) SetWindowTextW(hwnd, text.c_str());
}

std::wstring AfxWideText(const std::string& text, UINT codePage) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string AfxUtf8Text(const std::wstring& wide) {
    if (wide.empty() || wide.size() > INT_MAX) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

HWND CWnd::GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

std::string CWnd::GetWindowText() const { return HwndGetText(m_hWnd); }

void CWnd::SetWindowText(const char* text) { HwndSetText(m_hWnd, text); }

BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    ::SendMessageA(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT milliseconds) {
    if (timerHandler) return timerHandler(m_hWnd, id, milliseconds);
    return ::SetTimer(m_hWnd, id, milliseconds, nullptr);
}

UINT_PTR CWnd::SetPreciseTimer(UINT_PTR id, UINT milliseconds) {
    if (timerHandler) return timerHandler(m_hWnd, id, milliseconds);
    // Looked up rather than imported: the program still starts on Windows 7,
    // which lacks it.
    using SetCoalescableTimerFunction = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);
    static const auto setCoalescableTimer =
        AfxProcedure<SetCoalescableTimerFunction>(GetModuleHandleA("user32.dll"), "SetCoalescableTimer");
    if (setCoalescableTimer)
        return setCoalescableTimer(m_hWnd, id, milliseconds, nullptr, TIMERV_NO_COALESCING);
    return ::SetTimer(m_hWnd, id, milliseconds, nullptr);
}

BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

HMENU CWnd::GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }

void CWnd::SetFocus() { ::SetFocus(m_hWnd); }

BOOL CWnd::SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }

UINT CWnd::IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }

void CWnd::CheckDlgButton(int id, UINT state) { ::CheckDlgButton(m_hWnd, id, state); }

void CWnd::EnableDlgItem(int id, BOOL enable) { ::EnableWindow(::GetDlgItem(m_hWnd, id), enable); }

namespace afxtest {
void SetTimerHandler(TimerHandler handler) { timerHandler = std::move(handler); }
}  // namespace afxtest
