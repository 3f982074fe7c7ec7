// The application object and the boxes that would wait for a person, through
// the seams that the test harness installs.
#include "support/dialog_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(App, TestBinaryHasAnApplicationObjectLikeTheProgram) {
    EXPECT_EQ(AfxGetApp(), &harness::TestApp());
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleA(nullptr));
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    CWnd window;
    harness::TestApp().m_pMainWnd = &window;
    EXPECT_EQ(AfxGetMainWnd(), &window);
}

TEST(AfxMessageBoxTest, CaptionIsTheExecutableNameWithoutExtension) {
    AfxMessageBox("Failed locating button");
    ASSERT_EQ(harness::MessageBoxes().size(), 1u);
    EXPECT_EQ(harness::MessageBoxes()[0].caption, "framework_tests");
    EXPECT_EQ(harness::MessageBoxes()[0].text, "Failed locating button");
}

TEST(AfxMessageBoxTest, ExclamationIconOnlyWhenNoIconIsGiven) {
    struct Case {
        UINT asked;
        UINT shown;
    };
    const Case cases[] = {
        {MB_OK, MB_OK | MB_ICONEXCLAMATION},
        {MB_YESNO, MB_YESNO | MB_ICONEXCLAMATION},
        {MB_YESNO | MB_ICONHAND | MB_SYSTEMMODAL, 0x1014},
        {MB_OK | MB_ICONINFORMATION, MB_OK | MB_ICONINFORMATION},
    };
    for (const Case& c : cases) AfxMessageBox("text", c.asked);
    ASSERT_EQ(harness::MessageBoxes().size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(harness::MessageBoxes()[i].type, cases[i].shown)
            << "asked for 0x" << std::hex << cases[i].asked;
    }
}

TEST(AfxMessageBoxTest, ScriptedAnswersAreReturnedInOrderThenOk) {
    harness::AnswerMessageBoxes({IDYES, IDNO});
    EXPECT_EQ(AfxMessageBox("first", MB_YESNO), IDYES);
    EXPECT_EQ(AfxMessageBox("second", MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox("third"), IDOK);
}

TEST(FileDialog, ChosenPathIsKeptAndCancelLeavesNoPath) {
    CFileDialog open(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    harness::AnswerFileDialog(IDOK, "C:\\Program Files\\Tool\\tool.exe");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), "C:\\Program Files\\Tool\\tool.exe");

    harness::AnswerFileDialog(IDCANCEL, "C:\\ignored.exe");
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    EXPECT_EQ(open.GetPathName(), "");
    EXPECT_EQ(harness::FileDialogCount(), 2);
}

// The settings file is ANSI text. A chosen path that ANSI cannot hold comes
// back in its short form, which the ANSI calls open; without one (no such
// file, or a volume that keeps no short names) it comes back empty.
TEST(FileDialog, PathOutsideTheAnsiCodePageComesBackShortOrEmpty) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"orvix_\u0915";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / L"tool.exe") << "x";
    CFileDialog open(TRUE);
    harness::AnswerFileDialog(IDOK, (folder / L"tool.exe").wstring());
    EXPECT_EQ(open.DoModal(), IDOK);
    const std::string shortPath = open.GetPathName();
    EXPECT_NE(GetFileAttributesA(shortPath.c_str()), INVALID_FILE_ATTRIBUTES) << shortPath;
    harness::AnswerFileDialog(IDOK, (folder / L"gone.exe").wstring());
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), "");
    std::filesystem::remove_all(folder);
}

TEST(FileDialog, MissingLibraryOrFunctionIsToldAndLeavesThePath) {
    struct Case {
        const char* library;
        const char* why;
    };
    const Case cases[] = {
        {"orvix_no_such_library.dll",
         "orvix_no_such_library.dll could not be loaded from the system folder."},
        {"version.dll", "version.dll has no GetOpenFileNameW."},
    };
    for (const Case& c : cases) {
        harness::RealFileDialog realDialog(c.library);
        CFileDialog open(TRUE, nullptr, "C:\\tools\\kept.exe", OFN_HIDEREADONLY);
        const size_t boxesBefore = harness::MessageBoxes().size();
        EXPECT_EQ(open.DoModal(), -1) << c.library;
        EXPECT_EQ(open.GetPathName(), "C:\\tools\\kept.exe") << c.library;
        ASSERT_EQ(harness::MessageBoxes().size(), boxesBefore + 1) << c.library;
        const harness::MessageBoxRecord& box = harness::MessageBoxes().back();
        EXPECT_NE(box.text.find(c.why), std::string::npos) << box.text;
        EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONHAND)) << c.library;
    }
    EXPECT_EQ(harness::FileDialogCount(), 0) << "the scripted dialog was asked instead";
}

TEST(Shell, OpenGoesToTheShellWithTheOpenVerb) {
    HWND owner = GetDesktopWindow();
    AfxShellOpen(owner, "https://orvix.example/");
    ASSERT_EQ(harness::ShellOpens().size(), 1u);
    EXPECT_EQ(harness::ShellOpens()[0].owner, owner);
    EXPECT_EQ(harness::ShellOpens()[0].verb, "open");
    EXPECT_EQ(harness::ShellOpens()[0].file, "https://orvix.example/");
}

}  // namespace
