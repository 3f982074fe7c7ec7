#include "ui/manual_dialog.h"

#include "resource.h"
#include "ui/close_handler.h"
#include "ui/maker.h"
#include "ui/manual_text.h"
#include "ui/read_only_colours.h"

std::string ManualText() { return std::string(ManualBody) + MakerName + "\r\n" + MakerWebAddress + "\r\n"; }

ManualDialog::ManualDialog(CWnd* parent) : CDialog(IDD_MANUAL, parent) {}

BOOL ManualDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    closeButton = GetDlgItem(IDC_MANUAL_CLOSE);
    textBox = GetDlgItem(IDC_MANUAL_TEXT);
    if (!textBox) {
        AfxMessageBox("Failed locating manual window", MB_OK);
        return TRUE;
    }
    HwndSetText(textBox, ManualText().c_str());
    // Not the text box, the first tab stop: focus there would select the
    // whole manual. FALSE keeps the dialog manager from moving it there.
    ::SetFocus(closeButton);
    return FALSE;
}

bool ManualDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_CTLCOLORSTATIC && ColourAsEditBox(wParam, lParam, {textBox}, result)) return true;
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_MANUAL_CLOSE && HIWORD(wParam) == BN_CLICKED) {
        OnCloseHandler(*this);
        result = 0;
        return true;
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}
