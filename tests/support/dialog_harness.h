// In-process dialog tests under Wine: answers message boxes and file dialogs
// for the whole test binary, runs modal dialogs under a script with a
// watchdog, and pumps messages so that timers and posted messages arrive.
#pragma once

#include "framework/afx.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace harness {

// Every AfxMessageBox of the current test, in order.
struct MessageBoxRecord {
    std::string text;
    UINT type;
    std::string caption;
};
const std::vector<MessageBoxRecord>& MessageBoxes();
// Success when the current test has shown no message box; otherwise the
// failure names the first one's text.
::testing::AssertionResult NoMessageBoxes();
// Answers for the next message boxes, in order; after them every box gets IDOK.
void AnswerMessageBoxes(const std::vector<int>& answers);

// The next file dialog answers `result` with `path` (ANSI text, or UTF-16 as
// the dialog hands back any name); without a script every file dialog is
// cancelled.
void AnswerFileDialog(INT_PTR result, const std::string& path);
void AnswerFileDialog(INT_PTR result, const std::wstring& path);
int FileDialogCount();
// While it lives, file dialogs are the real one, loaded from `library`, with
// no scripted answer.
class RealFileDialog {
public:
    explicit RealFileDialog(const std::string& library);
    ~RealFileDialog();
    RealFileDialog(const RealFileDialog&) = delete;
    RealFileDialog& operator=(const RealFileDialog&) = delete;
};

struct ShellOpenRecord {
    HWND owner;
    std::string verb;
    std::string file;
};
const std::vector<ShellOpenRecord>& ShellOpens();

// The test binary's application object, set up like the program's own
// (instance handle, common controls, show command SW_SHOWNORMAL). Its main
// window and show command are put back after every test.
CWinApp& TestApp();

// Runs `dialog` modally. `drive` is called from inside the modal loop once the
// dialog is shown, for `dialog` and for every dialog opened while it runs
// (tell them apart by address or GetTemplateId()), and must end each one,
// directly or through messages it leaves pending. A dialog still open after
// its drive is ended with IDABORT and the test fails; so does anything still
// open when `watchdogMs` has passed. Returns DoModal's result. Not to be
// called from inside a drive.
using Drive = std::function<void(CDialog& dialog)>;
INT_PTR RunModal(CDialog& dialog, Drive drive, DWORD watchdogMs = 20000);

// Dispatches what is pending, routing keys through the dialog manager as a
// modal loop does.
void PumpMessages();
// Pumps until `done` holds or `timeoutMs` has passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Pumps for `milliseconds`, waiting for messages in between, so that real
// WM_TIMER messages arrive.
void PumpFor(DWORD milliseconds);

// Clicks a control of a dialog the way a mouse click does (BM_CLICK).
void Click(HWND dialog, int controlId);

// A caption as shown: without the "&" before its access key, "&&" as one "&".
std::string WithoutAccessKey(const std::string& caption);
// The caption's access key, upper case, or 0 when it has none.
char AccessKey(const std::string& caption);

}  // namespace harness
