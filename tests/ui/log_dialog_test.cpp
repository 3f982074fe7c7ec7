// The log viewer on real files: what it shows, and that only Reset changes
// the file.
#include "ui/log_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "resource.h"
#include "support/core_support.h"
#include "support/dialog_harness.h"

namespace {

using harness::RunModal;
using testsupport::ReadFileBytes;

class LogDialogTest : public testsupport::ClockFixture {
protected:
    static std::string Shown(const CDialog& viewer) { return HwndGetText(viewer.GetDlgItem(IDC_LOG_TEXT)); }
};

TEST_F(LogDialogTest, LongLogShowsWholeWhileTheUsersViewAndSelectionStay) {
    std::string bytes;
    while (bytes.size() < 600000) bytes += "Info  - 09:05:07 - 03.02.2004\r\nLaunch Initiated\r\n\r\n";
    testsupport::WriteFileBytes(LogPath(), bytes);
    LogDialog viewer(nullptr);
    RunModal(viewer, [&](CDialog&) {
        const HWND box = viewer.GetDlgItem(IDC_LOG_TEXT);
        ASSERT_LT(Shown(viewer).size(), bytes.size()) << "the rest is to be still coming in";
        SendMessageA(box, EM_SETSEL, 5, 10);
        SendMessageA(box, EM_LINESCROLL, 0, 50);
        harness::PumpUntil([&] { return Shown(viewer).size() >= bytes.size(); }, 60000);
        EXPECT_TRUE(Shown(viewer) == bytes) << Shown(viewer).size() << " characters of " << bytes.size();
        EXPECT_EQ(SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0), 50);
        EXPECT_EQ(SendMessageA(box, EM_GETSEL, 0, 0), MAKELRESULT(5, 10));
        viewer.EndDialog(IDCANCEL);
    });
}

TEST_F(LogDialogTest, ShowsEveryByteAndLineAndLeavesTheFileAloneHoweverItCloses) {
    // Read as text, a Ctrl-Z would end the view, and a NUL would end the box's text.
    const char written[] =
        "Info  - 09:05:07 - 03.02.2004\r\nx\r\n\r\nbare\nCtrl-Z \x1A, NUL \0, CR \r.\nlast";
    const char expected[] =
        "Info  - 09:05:07 - 03.02.2004\r\nx\r\n\r\nbare\r\nCtrl-Z \x1A, NUL  , CR \r.\r\nlast\r\n";
    const std::string bytes(written, sizeof written - 1);
    const std::string shown(expected, sizeof expected - 1);
    testsupport::WriteFileBytes(LogPath(), bytes);
    const struct {
        const char* name;
        std::function<void(CDialog&)> close;
    } ways[] = {
        {"Close", [](CDialog& viewer) { harness::Click(viewer.GetSafeHwnd(), IDC_LOG_CLOSE); }},
        {"Escape", [](CDialog&) { PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", [](CDialog& viewer) { viewer.PostMessage(WM_SYSCOMMAND, SC_CLOSE); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        LogDialog viewer(nullptr);
        const INT_PTR result = RunModal(viewer, [&](CDialog&) {
            EXPECT_EQ(Shown(viewer), shown);
            HwndSetText(viewer.GetDlgItem(IDC_LOG_TEXT), "typed by the user");
            way.close(viewer);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(ReadFileBytes(LogPath()), bytes);
    }
}

TEST_F(LogDialogTest, ResetEmptiesOrCreatesTheLogAndWritesNoRecord) {
    for (bool exists : {true, false}) {
        SCOPED_TRACE(exists ? "existing log" : "no log");
        std::remove(LogPath().c_str());
        if (exists) testsupport::WriteFileBytes(LogPath(), "Info  - 09:05:07 - 03.02.2004\r\nx\r\n\r\n");
        LogDialog viewer(nullptr);
        RunModal(viewer, [&](CDialog&) {
            if (!exists) {
                EXPECT_EQ(Shown(viewer), "Failed to locate log file.\r\n" + LogPath() + "\r\n");
            }
            for (int press = 0; press < 2; ++press) {
                harness::Click(viewer.GetSafeHwnd(), IDC_LOG_RESET);
                EXPECT_EQ(Shown(viewer), "");
                EXPECT_TRUE(testsupport::FileExists(LogPath()));
                EXPECT_EQ(ReadFileBytes(LogPath()), "");
            }
            viewer.EndDialog(IDCANCEL);
        });
    }
}

}  // namespace
