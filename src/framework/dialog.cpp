// CDialog: a modal dialog whose object travels in DialogBoxParamW's lParam and
// is kept in the window's DWLP_USER slot from WM_INITDIALOG on. Created with
// the wide call, its controls hold UTF-16: typed or pasted text in any script
// reaches the program as it is, not as the ANSI code page's look-alike.
#include "framework/afx.h"

#include <utility>

namespace {

afxtest::ModalObserver modalObserver;

// Posted at WM_INITDIALOG when a test observes the dialog; handled by the base
// before the derived dialog sees any message.
const UINT WM_AFX_OBSERVE = WM_APP + 0x3F00;
// Fallback when the dialog is not visible yet at that moment (a template
// without WS_VISIBLE is shown when the modal loop first goes idle).
const UINT_PTR kObserveTimerId = 0x7AF0;
const UINT kObserveDelayMs = 50;

// Messages whose result the dialog procedure returns itself instead of
// placing it in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return true;
        default:
            return false;
    }
}

void NotifyObserver(CDialog& dialog) {
    // A copy: the observer may replace itself while it runs.
    afxtest::ModalObserver observer = modalObserver;
    if (observer) observer(dialog);
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : parentWindow(parent), templateId(templateId) {}

CDialog::~CDialog() {
    // Normally the window is gone when DoModal returns; if not, it must no
    // longer reach this object.
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
}

INT_PTR CDialog::DoModal() {
    HWND owner = nullptr;
    if (parentWindow != nullptr) {
        owner = parentWindow->GetSafeHwnd();
    } else {
        CWnd* main = AfxGetMainWnd();
        if (main != nullptr && main != this) owner = main->GetSafeHwnd();
    }
    INT_PTR result = DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

void CDialog::EndDialog(INT_PTR result) {
    if (m_hWnd != nullptr) ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog() { return TRUE; }

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    // A click, a menu item (both code 0) or an accelerator (code 1).
    if (message != WM_COMMAND || HIWORD(wParam) > 1) return false;
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            result = 0;
            return true;
        case IDCANCEL:
            OnCancel();
            result = 0;
            return true;
        default:
            return false;
    }
}

void CDialog::Default() { defaultRequested = true; }

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CDialog*>(lParam)->m_hWnd = hwnd;
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    // Messages that come before WM_INITDIALOG (WM_SETFONT and the like).
    if (dialog == nullptr) return FALSE;

    INT_PTR handled = dialog->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
    }
    return handled;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        BOOL focusDefault = OnInitDialog();
        if (modalObserver) ::PostMessageA(m_hWnd, WM_AFX_OBSERVE, 0, 0);
        return focusDefault;
    }
    if (message == WM_AFX_OBSERVE) {
        if (::IsWindowVisible(m_hWnd)) {
            NotifyObserver(*this);
        } else {
            ::SetTimer(m_hWnd, kObserveTimerId, kObserveDelayMs, nullptr);
        }
        return TRUE;
    }
    if (message == WM_TIMER && wParam == kObserveTimerId) {
        ::KillTimer(m_hWnd, kObserveTimerId);
        NotifyObserver(*this);
        return TRUE;
    }

    // A handler may send this dialog another message; each keeps its own request.
    bool outerRequest = defaultRequested;
    defaultRequested = false;
    LRESULT result = 0;
    bool handled = OnMessage(message, wParam, lParam, result);
    bool wantsDefault = defaultRequested;
    defaultRequested = outerRequest;

    if (!handled || wantsDefault) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    // The handler may have ended and destroyed the window.
    if (m_hWnd != nullptr) SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

namespace afxtest {
void SetModalObserver(ModalObserver observer) { modalObserver = std::move(observer); }
}  // namespace afxtest
