// The About box and the built-in manual: what they show and how they end.
#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "support/dialog_harness.h"
#include "ui/about_dialog.h"
#include "ui/maker.h"
#include "ui/manual_dialog.h"

namespace {

using harness::RunModal;

// The manual as a template without its text box would open it.
class ManualWithoutTextBox : public ManualDialog {
public:
    ManualWithoutTextBox() : ManualDialog(nullptr) {}
    BOOL OnInitDialog() override {
        ::DestroyWindow(GetDlgItem(IDC_MANUAL_TEXT));
        return ManualDialog::OnInitDialog();
    }
};

TEST(ManualDialog, OpensAtTheTopOfTheWholeTextWithFocusOnClose) {
    ManualDialog manual(nullptr);
    INT_PTR result = RunModal(manual, [&](CDialog&) {
        HWND text = manual.GetDlgItem(IDC_MANUAL_TEXT);
        EXPECT_EQ(HwndGetText(text), ManualText());
        EXPECT_EQ(GetFocus(), manual.GetDlgItem(IDC_MANUAL_CLOSE));
        DWORD start = 0, end = 0;
        SendMessageA(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, end) << "text selected";
        EXPECT_EQ(SendMessageA(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        harness::Click(manual.GetSafeHwnd(), IDC_MANUAL_CLOSE);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(harness::NoMessageBoxes());
}

TEST(ManualDialog, MissingTextBoxIsReportedAndCloseStillEndsIt) {
    ManualWithoutTextBox manual;
    INT_PTR result = RunModal(manual, [&](CDialog&) { harness::Click(manual.GetSafeHwnd(), IDC_MANUAL_CLOSE); });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(harness::MessageBoxes().size(), 1u);
    EXPECT_EQ(harness::MessageBoxes()[0].text, "Failed locating manual window");
}

TEST(ManualText, CrLfLinesOfAtMost68CharactersInTheirOrder) {
    const std::string text = ManualText();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "the last line has no CR LF";
    for (size_t at = 0, line = 1; at < text.size(); ++line) {
        size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const std::string content = text.substr(at, end - at);
        EXPECT_LE(content.size(), 68u) << "line " << line << ": " << content;
        EXPECT_EQ(content.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in line " << line;
        at = end + 2;
    }
    // Each heading stands alone, after the one before it, above an empty line.
    size_t at = 0;
    for (const char* heading :
         {"Version History:", "Button Summary:", "Program to Execute:", "Auto-Restart:", "Execution Day:",
          "Launch Date:", "Launch Time:", "Timing Interval:", "Status and Countdown:", "Sales and Support:"}) {
        at = text.find("\r\n\r\n" + std::string(heading) + "\r\n\r\n", at);
        EXPECT_NE(at, std::string::npos) << heading;
    }
    const std::string buttons =
        "Button Summary:\r\n\r\n"
        "[Help]\t\tDisplay the User's Manual\r\n"
        "[Browse]\t\tOpen the file browser\r\n"
        "[Auto-Restart]\tAuto-Restart setting for the program\r\n"
        "[Today]\t\tReset the launch time to Today's data and time\r\n"
        "[Apply/Reset]\tApply current settings or Reset after launch\r\n"
        "[Test]\t\tTest fire the specified program\r\n"
        "[Launch]\t\tBegin the countdown to the program launch\r\n"
        "[Log]\t\tDisplay the program launch log\r\n"
        "[Exit]\t\tAbort the launch and exit the program\r\n\r\n";
    EXPECT_NE(text.find(buttons), std::string::npos);
    const std::string support = std::string("Sales and Support:\r\n\r\n") + MakerName + "\r\n" + MakerWebAddress + "\r\n";
    EXPECT_EQ(text.substr(text.size() - support.size()), support);
}

TEST(AboutDialog, NamesTheMakerAsTheManualDoes) {
    AboutDialog about;
    RunModal(about, [&](CDialog&) {
        const std::string maker = HwndGetText(about.GetDlgItem(IDC_ABOUT_MAKER));
        EXPECT_EQ(maker.substr(0, maker.find('\n')), MakerName);
        about.EndDialog(IDOK);
    });
}

}  // namespace
