#include "ui/log_dialog.h"

#include <climits>
#include <optional>

#include "core/log_file.h"
#include "platform/os.h"
#include "resource.h"
#include "ui/close_handler.h"
#include "ui/read_only_colours.h"

namespace {

// A multi-line box lays out every line it is handed at once, which can take
// seconds for a log of megabytes. The box therefore gets a first part that
// fills the view at once, and the rest part by part on a timer, whose ticks
// wait for input and painting: the viewer opens at once and stays responsive.
constexpr std::size_t FirstPartSize = 8 * 1024;
constexpr std::size_t PartSize = 64 * 1024;
constexpr UINT_PTR FillTimer = 1;
// Work done per tick before the viewer turns back to the user.
constexpr DWORD FillSliceMilliseconds = 50;

// The end of the part of about `size` bytes that starts at `from`: just after
// a line feed, so that no character of a multi-byte code page is split.
std::size_t PartEnd(const std::string& text, std::size_t from, std::size_t size) {
    if (text.size() - from <= size) return text.size();
    const std::size_t lineFeed = text.find('\n', from + size);
    return lineFeed == std::string::npos ? text.size() : lineFeed + 1;
}

}  // namespace

LogDialog::LogDialog(CWnd* parent) : CDialog(IDD_LOG, parent) {}

BOOL LogDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    textBox = GetDlgItem(IDC_LOG_TEXT);
    if (!textBox) {
        AfxMessageBox("Failed locating log window");
        return TRUE;
    }
    // Appending keeps to the box's limit, 32767 characters unless raised;
    // 0 raises it to the most the system allows.
    ::SendMessageA(textBox, EM_SETLIMITTEXT, 0, 0);
    LoadView();
    // Close, as Enter does; on the text box, the first tab stop, the focus
    // would select the whole log.
    ::SetFocus(GetDlgItem(IDC_LOG_CLOSE));
    return FALSE;
}

bool LogDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_CTLCOLORSTATIC && ColourAsEditBox(wParam, lParam, {textBox}, result)) return true;
    if (message == WM_TIMER && wParam == FillTimer) {
        ShowMoreOfTheLog();
        result = 0;
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDC_LOG_CLOSE:
                OnCloseHandler(*this);
                result = 0;
                return true;
            case IDC_LOG_RESET:
                OnReset();
                result = 0;
                return true;
        }
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}

void LogDialog::LoadView() {
    KillTimer(FillTimer);
    const std::string path = LogViewerPath();
    const std::optional<std::string> bytes = ReadLogFile(path);
    snapshot =
        bytes ? LogViewText(*bytes) : "Failed to locate log file.\r\n" + platform::AnsiPath(path) + "\r\n";
    shown = PartEnd(snapshot, 0, FirstPartSize);
    HwndSetText(textBox, std::string(snapshot, 0, shown).c_str());
    if (shown < snapshot.size()) SetTimer(FillTimer, USER_TIMER_MINIMUM);
}

// Appends at the end while the user's view and selection stay where they are.
void LogDialog::ShowMoreOfTheLog() {
    // Tick counts only pace the work; they are no moments of the schedule.
    const DWORD sliceStart = GetTickCount();
    DWORD selectionStart = 0;
    DWORD selectionEnd = 0;
    ::SendMessageA(textBox, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
                   reinterpret_cast<LPARAM>(&selectionEnd));
    const LRESULT firstLine = ::SendMessageA(textBox, EM_GETFIRSTVISIBLELINE, 0, 0);
    ::SendMessageA(textBox, WM_SETREDRAW, FALSE, 0);
    do {
        const std::size_t end = PartEnd(snapshot, shown, PartSize);
        const std::string part(snapshot, shown, end - shown);
        ::SendMessageA(textBox, EM_SETSEL, INT_MAX, INT_MAX);
        ::SendMessageA(textBox, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(part.c_str()));
        shown = end;
    } while (shown < snapshot.size() && GetTickCount() - sliceStart < FillSliceMilliseconds);
    ::SendMessageA(textBox, EM_SETSEL, selectionStart, selectionEnd);
    ::SendMessageA(textBox, EM_LINESCROLL, 0,
                   firstLine - ::SendMessageA(textBox, EM_GETFIRSTVISIBLELINE, 0, 0));
    ::SendMessageA(textBox, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(textBox, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    if (shown < snapshot.size()) return;
    KillTimer(FillTimer);
    std::string().swap(snapshot);
}

// No question and no record: the log facility's next record starts the file.
void LogDialog::OnReset() {
    EmptyLogFile(LogViewerPath());
    LoadView();
}
