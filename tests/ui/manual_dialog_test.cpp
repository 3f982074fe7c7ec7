// The built-in manual: what it shows, how it ends, and the shape of its text.
#include "ui/manual_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "support/dialog_harness.h"
#include "ui/maker.h"

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

TEST(ManualDialog, ShowsTheWholeTextWithFocusOnClose) {
    ManualDialog manual(nullptr);
    INT_PTR result = RunModal(manual, [&](CDialog&) {
        HWND text = manual.GetDlgItem(IDC_MANUAL_TEXT);
        EXPECT_EQ(HwndGetText(text), ManualText());
        EXPECT_EQ(GetFocus(), manual.GetDlgItem(IDC_MANUAL_CLOSE));
        harness::Click(manual.GetSafeHwnd(), IDC_MANUAL_CLOSE);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(harness::NoMessageBoxes());
}

TEST(ManualDialog, MissingTextBoxIsReportedAndCloseStillEndsIt) {
    ManualWithoutTextBox manual;
    INT_PTR result =
        RunModal(manual, [&](CDialog&) { harness::Click(manual.GetSafeHwnd(), IDC_MANUAL_CLOSE); });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(harness::MessageBoxes().size(), 1u);
    EXPECT_EQ(harness::MessageBoxes()[0].text, "Failed locating manual window");
}

TEST(ManualText, IsCrLfLinesOfAtMost68CharactersEndingWithTheMaker) {
    const std::string text = ManualText();
    for (size_t at = 0, line = 1; at < text.size(); ++line) {
        size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "line " << line << " has no CR LF";
        const std::string content = text.substr(at, end - at);
        EXPECT_LE(content.size(), 68u) << "line " << line << ": " << content;
        EXPECT_EQ(content.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in line " << line;
        at = end + 2;
    }
    const std::string support =
        std::string("Sales and Support:\r\n\r\n") + MakerName + "\r\n" + MakerWebAddress + "\r\n";
    ASSERT_GE(text.size(), support.size());
    EXPECT_EQ(text.substr(text.size() - support.size()), support);
}

}  // namespace
