// The launcher window: its set-up, hiding to the notification area, the
// hidden start and the ways it ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/single_launcher.h"
#include "launcher_fixture.h"
#include "platform/com_win32.h"
#include "platform/startup_win32.h"
#include "resource.h"
#include "ui/banner.h"
#include "ui/end_for_update.h"
#include "ui/startup_switch.h"
#include "ui/tray_icon.h"

namespace {

using harness::RunModal;
using uitest::ControlText;
using uitest::SendTo;

class LauncherDialogTest : public uitest::LauncherFixture {};

// The width of `icon`'s image, in pixels.
int IconWidth(HICON icon) {
    ICONINFO info{};
    BITMAP image{};
    if (!GetIconInfo(icon, &info)) return 0;
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof image, &image);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return image.bmWidth;
}

// Without its access key's &.
std::string MenuItemText(HMENU menu, int position) {
    char text[128] = "";
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    std::string shown = text;
    shown.erase(std::remove(shown.begin(), shown.end(), '&'), shown.end());
    return shown;
}

TEST_F(LauncherDialogTest, SetUpShowsAStoppedLauncherWithItsRanges) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Stopped");
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "00:00:00:00");
        EXPECT_EQ(ControlText(dialog, IDC_INTERVAL_EDIT), "10");
        EXPECT_EQ(SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_GETRANGEMIN), 1);
        EXPECT_EQ(SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_GETRANGEMAX), 600);
        EXPECT_EQ(SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_GETPOS), 10);
        EXPECT_EQ(SendTo(dialog, IDC_INTERVAL_SPIN, UDM_GETRANGE), MAKELONG(600, 1));
        EXPECT_EQ(LOWORD(SendTo(dialog, IDC_INTERVAL_SPIN, UDM_GETPOS)), 10);
        PBRANGE progressRange{};
        SendTo(dialog, IDC_PROGRESS, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&progressRange));
        EXPECT_EQ(progressRange.iLow, 0);
        EXPECT_EQ(progressRange.iHigh, 100);
        EXPECT_EQ(dialog.IsChecked(IDC_WINDOWS_PROGRAM), BST_CHECKED);
        EXPECT_EQ(dialog.IsChecked(IDC_SHELL_COMMAND), BST_UNCHECKED);
        EXPECT_EQ(dialog.CountdownTimerId(), 0u);
        EXPECT_EQ(dialog.HideTimerId(), 0u);

        // A separator, About, then the options as they are by default.
        HMENU systemMenu = GetSystemMenu(dialog.GetSafeHwnd(), FALSE);
        int count = GetMenuItemCount(systemMenu);
        ASSERT_GE(count, 6);
        EXPECT_EQ(GetMenuState(systemMenu, static_cast<UINT>(count - 6), MF_BYPOSITION) & MF_SEPARATOR,
                  static_cast<UINT>(MF_SEPARATOR));
        const std::pair<const char*, UINT> items[] = {{"About launcher...", 0},
                                                      {"Wake the computer to launch", 0},
                                                      {"Show notifications", MF_CHECKED},
                                                      {"Run a missed launch at start", 0},
                                                      {"Start with Windows", 0}};
        for (int at = 0; at < 5; ++at) {
            EXPECT_EQ(harness::WithoutAccessKey(MenuItemText(systemMenu, count - 5 + at)), items[at].first);
            EXPECT_EQ(GetMenuState(systemMenu, static_cast<UINT>(count - 5 + at), MF_BYPOSITION) & MF_CHECKED,
                      items[at].second);
        }
        EXPECT_EQ(GetMenuItemID(systemMenu, count - 5), 16u);

        // No moment beyond what the clock can count to can be picked.
        SYSTEMTIME range[2] = {};
        LRESULT limits = SendTo(dialog, IDC_DATE_PICKER, DTM_GETRANGE, 0, reinterpret_cast<LPARAM>(range));
        EXPECT_EQ(limits, GDTR_MIN | GDTR_MAX);
        EXPECT_EQ(range[0].wYear, 1970);
        EXPECT_EQ(range[1].wYear, 2038);

        EXPECT_NE(dialog.MainIcon(), nullptr);
        EXPECT_EQ(dialog.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(dialog.MainIcon()));
        // Drawn at the small size of the display scaling, not squeezed from the large one.
        EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(dialog.SendMessage(WM_GETICON, ICON_SMALL))),
                  GetSystemMetrics(SM_CXSMICON));

        // Alt and a group box's letter take the keyboard to its group's first control.
        const std::pair<char, int> groups[] = {{'p', IDC_PROGRAM_PATH},
                                               {'d', IDC_MONDAY},
                                               {'e', IDC_DATE_PICKER},
                                               {'i', IDC_TIME_PICKER},
                                               {'n', IDC_INTERVAL_SLIDER}};
        for (const auto& [letter, first] : groups) {
            PostMessageA(dialog.GetDlgItem(IDC_CLOSE), WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29);
            harness::PumpMessages();
            EXPECT_EQ(GetFocus(), dialog.GetDlgItem(first)) << "Alt+" << letter;
        }
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(harness::NoMessageBoxes());
}

TEST_F(LauncherDialogTest, CloseAndMinimiseHideTheWindowAndSaveIconized) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        for (UINT command : {SC_CLOSE, SC_MINIMIZE}) {
            SCOPED_TRACE(command);
            dialog.ShowWindow(SW_SHOW);
            dialog.settings.iconized = false;
            std::remove(ConfigPath().c_str());
            dialog.SendMessage(WM_SYSCOMMAND, command);
            EXPECT_FALSE(dialog.IsWindowVisible());
            EXPECT_FALSE(dialog.IsIconic());
            EXPECT_TRUE(dialog.settings.iconized);
            ExpectConfigLine(16, "1");
        }
        dialog.EndDialog(IDCANCEL);
    });
}

// An installer's "start now", a script's `start` or another launcher give
// SW_SHOWDEFAULT; only a minimised start may vanish into the tray.
TEST_F(LauncherDialogTest, OnlyAMinimisedStartHidesTheWindow) {
    const struct {
        int showCommand;
        bool hidden;
    } rows[] = {{SW_HIDE, false},          {SW_SHOWNORMAL, false},     {SW_SHOWMINIMIZED, true},
                {SW_SHOWMAXIMIZED, false}, {SW_SHOWNOACTIVATE, false}, {SW_SHOW, false},
                {SW_MINIMIZE, true},       {SW_SHOWMINNOACTIVE, true}, {SW_SHOWNA, false},
                {SW_RESTORE, false},       {SW_SHOWDEFAULT, false},    {SW_FORCEMINIMIZE, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE("show command " + std::to_string(row.showCommand));
        std::remove(ConfigPath().c_str());
        harness::TestApp().m_nCmdShow = row.showCommand;
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            harness::PumpMessages();
            EXPECT_EQ(dialog.IsWindowVisible() == FALSE, row.hidden);
            EXPECT_EQ(dialog.settings.iconized, row.hidden);
            dialog.EndDialog(IDCANCEL);
        });
    }
}

TEST_F(LauncherDialogTest, AboutItemOfTheSystemMenuOpensTheAboutBox) {
    LauncherDialog dialog;
    UINT opened = 0;
    uitest::RunNotingWhatItOpens(dialog, opened, [&] {
        dialog.PostMessage(WM_SYSCOMMAND, IDM_ABOUT_LAUNCHER);
        EXPECT_TRUE(harness::PumpUntil([&] { return opened != 0; }));
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(opened, static_cast<UINT>(IDD_ABOUT));
}

// "Start with Windows" writes the schedule's shortcut and deletes it, read
// back with IShellLinkW; a shortcut counts for the schedule by its folder,
// however spelled, and not when it starts another exe or Windows' list has it off.
TEST_F(LauncherDialogTest, StartWithWindowsWritesAndDeletesTheShortcutOfItsOwnFolderOnly) {
    testsupport::TempDir startup, jobs;
    platform::SetStartupFolderForTests(startup.Path());
    platform::ComApartment com;
    const std::string exe = platform::ExecutablePath(), exeFolder = exe.substr(0, exe.rfind('\\'));
    // Each shortcut by name, what it starts and where: "another exe" when not this one.
    const auto shortcuts = [&] {
        std::vector<std::string> lines;
        for (const auto& [path, line] : platform::ShortcutsIn(startup.Path()))
            lines.push_back(path.substr(startup.Path().size() + 1) + ": " +
                            (line.target == exe ? "" : "another exe ") + line.arguments + " in " +
                            line.startIn + "|");
        std::sort(lines.begin(), lines.end());
        std::string all;
        for (const std::string& line : lines) all += line;
        return all;
    };
    platform::WriteShortcut(startup.File("Other.lnk"), {testsupport::MarkerWriterPath(), "", exeFolder});
    const char* const approved =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        HMENU systemMenu = GetSystemMenu(dialog.GetSafeHwnd(), FALSE);
        const auto checked = [&] {
            dialog.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(systemMenu), MAKELPARAM(0, TRUE));
            return (GetMenuState(systemMenu, IDM_START_WITH_WINDOWS, MF_BYCOMMAND) & MF_CHECKED) != 0;
        };
        EXPECT_FALSE(checked()) << "a shortcut to another exe counted";
        dialog.SendMessage(WM_SYSCOMMAND, IDM_START_WITH_WINDOWS);
        EXPECT_EQ(shortcuts(),
                  "Orvix Launcher.lnk:  in " + exeFolder + "|Other.lnk: another exe  in " + exeFolder + "|");
        EXPECT_TRUE(checked());
        const BYTE off[12] = {3};
        RegSetKeyValueA(HKEY_CURRENT_USER, approved, "Orvix Launcher.lnk", REG_BINARY, off, sizeof off);
        EXPECT_FALSE(checked()) << "turned off in Windows' list";
        RegDeleteKeyValueA(HKEY_CURRENT_USER, approved, "Orvix Launcher.lnk");
        dialog.SendMessage(WM_SYSCOMMAND, IDM_START_WITH_WINDOWS);
        EXPECT_FALSE(checked());
        RegSetKeyValueA(HKEY_CURRENT_USER, approved, "Orvix Launcher.lnk", REG_BINARY, off, sizeof off);
        dialog.SendMessage(WM_SYSCOMMAND, IDM_START_WITH_WINDOWS);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, approved, "Orvix Launcher.lnk");
        EXPECT_EQ(shortcuts(), "Other.lnk: another exe  in " + exeFolder + "|")
            << "left on, or written and not deleted";
        dialog.EndDialog(IDCANCEL);
    });
    ASSERT_EQ(harness::MessageBoxes().size(), 1u);
    EXPECT_EQ(harness::MessageBoxes()[0].text,
              "Windows has this schedule turned off in its list of startup "
              "apps. Turn it on in Settings, Apps, Startup.");

    // A folder of its own, its shortcut's usual name taken by another folder's.
    const Schedule backup{"Backup", jobs.File("Backup")}, other{"Backup", jobs.File("Other")};
    testsupport::MakeDirectory(backup.folder);
    testsupport::MakeDirectory(other.folder);
    std::string spelled = backup.folder + "\\";
    CharLowerBuffA(spelled.data(), static_cast<DWORD>(spelled.size()));
    platform::WriteShortcut(startup.File("Orvix Launcher - Backup.lnk"),
                            {exe, "/folder \"" + other.folder + "\"", ""});
    platform::WriteShortcut(startup.File("Spelled.lnk"), {exe, "/folder \"" + spelled + "\"", ""});
    EXPECT_TRUE(StartsWithWindows(backup, home.Path())) << "the folder spelled otherwise did not count";
    EXPECT_EQ(SwitchStartWithWindows(backup, home.Path()), std::nullopt);
    EXPECT_FALSE(StartsWithWindows(backup, home.Path()));
    EXPECT_TRUE(StartsWithWindows(other, home.Path())) << "another folder's shortcut went too";
    EXPECT_EQ(SwitchStartWithWindows(backup, home.Path()), std::nullopt);
    EXPECT_EQ(shortcuts(), "Orvix Launcher - Backup (2).lnk: /folder \"" + backup.folder + "\" in " +
                               exeFolder + "|Orvix Launcher - Backup.lnk: /folder \"" + other.folder +
                               "\" in |Other.lnk: another exe  in " + exeFolder + "|");
    platform::SetStartupFolderForTests("");
}

TEST_F(LauncherDialogTest, IconizedConfigurationHidesTheWindowSoonAfterStartUp) {
    uitest::ConfigValues config;
    config.launchTime = StartTime;
    config.iconized = true;
    WriteConfig(config);
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        EXPECT_TRUE(dialog.IsWindowVisible());
        EXPECT_EQ(dialog.HideTimerId(), HideTimer);
        std::remove(ConfigPath().c_str());
        EXPECT_TRUE(harness::PumpUntil([&] { return !dialog.IsWindowVisible(); }));
        ExpectConfigLine(16, "1");
        // Shown again from the icon, it stays: the hide timer fired once.
        dialog.SendMessage(TrayNotifyMessage, 0, WM_LBUTTONDOWN);
        harness::PumpFor(2500);
        EXPECT_TRUE(dialog.IsWindowVisible()) << "hidden again by a hide timer left running";
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(LauncherDialogTest, RestartChecksExactlyTheSavedWeekdayBoxes) {
    uitest::ConfigValues config;
    config.launchTime = StartTime;
    config.days = "1100100";  // Sunday, Monday, Thursday
    WriteConfig(config);
    const struct {
        int box;
        bool checked;
    } boxes[] = {{IDC_SUNDAY, true},   {IDC_MONDAY, true},  {IDC_TUESDAY, false}, {IDC_WEDNESDAY, false},
                 {IDC_THURSDAY, true}, {IDC_FRIDAY, false}, {IDC_SATURDAY, false}};
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        for (const auto& b : boxes)
            EXPECT_EQ(dialog.IsChecked(b.box), b.checked ? BST_CHECKED : BST_UNCHECKED) << "box " << b.box;
        dialog.EndDialog(IDCANCEL);
    });
}

// Escape while a countdown runs would abort the launch as silently as the
// window hides: it asks first, and No keeps it running. (Stopped, Escape just
// ends: see below.)
TEST_F(LauncherDialogTest, EscapeAsksBeforeAbortingARunningCountdown) {
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        uitest::ConfigValues config;
        config.programPath = testsupport::MarkerWriterPath();
        config.launchTime = StartTime + 3600;
        config.autoRestart = true;
        WriteConfig(config);
        harness::AnswerMessageBoxes({answer});
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            ASSERT_EQ(ControlText(dialog, IDC_STATUS), "Running");
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
            harness::PumpMessages();
            EXPECT_EQ(dialog.IsWindowVisible() != FALSE, answer == IDNO);
            EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Running");
            if (answer == IDNO) dialog.EndDialog(IDCANCEL);
        });
        ASSERT_FALSE(harness::MessageBoxes().empty()) << "no question";
        EXPECT_EQ(harness::MessageBoxes().back().text, "Exit the program and abort launch?");
    }
}

TEST_F(LauncherDialogTest, EscapeEndsTheDialogAndTheSettingsAreSavedOnDestruction) {
    auto dialog = std::make_unique<LauncherDialog>();
    INT_PTR result = RunModal(*dialog, [&](CDialog&) {
        // Through the dialog manager, as the key reaches it from the keyboard.
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(testsupport::FileExists(ConfigPath())) << "nothing saves before the dialog object goes";
    dialog.reset();
    ExpectConfigLine(6, "10");
    ExpectConfigLine(16, "0");
}

// Windows may end the process after WM_ENDSESSION without any destructor,
// and lists a launcher that asks anything first as blocking the logoff.
// An installer built on the Restart Manager closes it the same way.
TEST_F(LauncherDialogTest, SessionEndSavesAChangedIntervalAtOnceWithoutAsking) {
    for (UINT reason : {UINT{ENDSESSION_LOGOFF}, UINT{ENDSESSION_CLOSEAPP}}) {
        std::remove(ConfigPath().c_str());
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_SETPOS, TRUE, 45);
            dialog.SendMessage(WM_HSCROLL, TB_ENDTRACK,
                               reinterpret_cast<LPARAM>(dialog.GetDlgItem(IDC_INTERVAL_SLIDER)));
            EXPECT_EQ(dialog.SendMessage(WM_QUERYENDSESSION, 0, reason), TRUE);
            dialog.SendMessage(WM_ENDSESSION, TRUE, reason);
        });
        ExpectConfigLine(6, "45");
    }
    EXPECT_EQ(LogCount("Program Exit"), 2);
    EXPECT_TRUE(harness::NoMessageBoxes());
}

std::vector<std::wstring> toldFolders;

LRESULT CALLBACK NoteToldFolder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
    const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data.dwData == SettingsFolderData)
        toldFolders.emplace_back(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    return TRUE;
}

// The installer's helper asks from a window of its own, unseen.
HWND NewAsker() {
    WNDCLASSW asker{};
    asker.lpfnWndProc = NoteToldFolder;
    asker.lpszClassName = L"OrvixTestAsker";
    RegisterClassW(&asker);
    return CreateWindowExW(0, asker.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                           nullptr);
}

// An installer that gave up would not start the launcher again; one that
// asks gets the folder, and the open viewer does not hold the end up.
TEST_F(LauncherDialogTest, EndForUpdateClosesTheLogViewerAndTellsTheFolderUnlessTheAskerIsGone) {
    UseSettingsFolder(home.Path());
    HWND gone = NewAsker();
    DestroyWindow(gone);
    HWND asker = NewAsker();
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog& shown) {
        if (&shown == &dialog) {
            dialog.SendMessage(EndForUpdateMessage(), reinterpret_cast<WPARAM>(gone));
            harness::PumpMessages();
            EXPECT_TRUE(dialog.IsWindowVisible()) << "ended for an asker that is gone";
            dialog.ShowLogDialog();
            return;
        }
        ASSERT_EQ(shown.GetTemplateId(), static_cast<UINT>(IDD_LOG));
        dialog.SendMessage(EndForUpdateMessage(), reinterpret_cast<WPARAM>(asker));
    });
    UseSettingsFolder("");
    DestroyWindow(asker);
    EXPECT_EQ(toldFolders, std::vector<std::wstring>{platform::WidePath(home.Path())});
    EXPECT_EQ(LogCount("Program Exit"), 1);
    ExpectConfigLine(16, "0");
    EXPECT_TRUE(harness::NoMessageBoxes());
}

TEST_F(LauncherDialogTest, TrayIconRecordIsFilledAndItsTipBounded) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        TrayIcon icon(&dialog, TrayNotifyMessage, std::wstring(200, L'x'));
        ASSERT_TRUE(icon.IsAdded());
        const NOTIFYICONDATAW& data = icon.NotifyData();
        EXPECT_EQ(data.cbSize, sizeof(NOTIFYICONDATAW));
        EXPECT_EQ(data.hWnd, dialog.GetSafeHwnd());
        EXPECT_EQ(data.uID, 0u);
        EXPECT_EQ(data.uCallbackMessage, static_cast<UINT>(WM_USER + 1));
        EXPECT_EQ(IconWidth(data.hIcon), GetSystemMetrics(SM_CXSMICON));
        EXPECT_EQ(std::wstring(data.szTip), std::wstring(124, L'x') + L"...");
        dialog.EndDialog(IDCANCEL);
    });
}

// A launcher started "as administrator" made the mutex, which a normal start
// may not open: the refusal means that one runs, and it comes back restored.
TEST_F(LauncherDialogTest, MutexRefusedToASecondStartMeansALauncherRunsAndItComesBackRestored) {
    SetMutexCreatorForTests([](const std::wstring&) {
        SetLastError(ERROR_ACCESS_DENIED);
        return HANDLE{};
    });
    SingleLauncher second(home.Path());
    LauncherDialog dialog;
    dialog.MarkAsRunningLauncher(second.WindowMark());
    RunModal(dialog, [&](CDialog&) {
        dialog.ShowWindow(SW_MINIMIZE);  // as a minimised start's first show leaves it
        dialog.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
        ASSERT_FALSE(dialog.IsWindowVisible());
        EXPECT_FALSE(second.BecomeTheRunningLauncher()) << "two launchers on one settings file";
        SetMutexCreatorForTests(nullptr);
        EXPECT_TRUE(harness::PumpUntil([&] { return dialog.IsWindowVisible() != FALSE; }));
        EXPECT_FALSE(dialog.IsIconic()) << "shown, but still minimised";
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(LauncherDialogTest, BrowseWithoutTheFileDialogLibraryTellsAndKeepsThePath) {
    LauncherDialog dialog;
    harness::RealFileDialog missing("orvix_no_such_library.dll");
    RunModal(dialog, [&](CDialog&) {
        uitest::SetControlText(dialog, IDC_PROGRAM_PATH, "C:\\tools\\kept.exe");
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
        ASSERT_EQ(harness::MessageBoxes().size(), 1u);
        EXPECT_NE(harness::MessageBoxes()[0].text.find("file dialog cannot be opened"), std::string::npos);
        EXPECT_EQ(ControlText(dialog, IDC_PROGRAM_PATH), "C:\\tools\\kept.exe");
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Stopped");
        EXPECT_EQ(LogCount("Program File Loaded"), 0);
        dialog.EndDialog(IDCANCEL);
    });
}

// Scaled up, the banner would blur: only a larger picture is scaled down.
TEST(BannerPicture, SmallestAtLeastAsLargeAsTheFrameElseTheLargest) {
    const struct {
        BannerSize frame;
        int width;
    } rows[] = {{{340, 68}, 350},  {{350, 70}, 350},   {{351, 70}, 700},   {{350, 71}, 700},
                {{533, 114}, 700}, {{710, 152}, 1050}, {{1400, 280}, 1050}};
    for (const auto& row : rows)
        EXPECT_EQ(BannerPictures[ChooseBannerPicture(row.frame)].size.width, row.width)
            << row.frame.width << " x " << row.frame.height;
}

// A bitmap picture shrank to its 350 x 70 bitmap and left a blank band in
// the frame at every scaling above 100 %.
TEST_F(LauncherDialogTest, BannerKeepsItsFrameAndFillsItsClientArea) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        HWND banner = dialog.GetDlgItem(IDC_BANNER);
        RECT frame{0, 0, 237, 47};
        MapDialogRect(dialog.GetSafeHwnd(), &frame);
        RECT window{};
        GetWindowRect(banner, &window);
        EXPECT_EQ(window.right - window.left, frame.right);
        EXPECT_EQ(window.bottom - window.top, frame.bottom);
        // Doubled, as the system scales it at 200 %, and painted on white,
        // which the picture's corners never are.
        SetWindowPos(banner, nullptr, 0, 0, frame.right * 2, frame.bottom * 2, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{};
        GetClientRect(banner, &client);
        HDC page = CreateCompatibleDC(nullptr);
        HBITMAP pixels = CreateBitmap(client.right, client.bottom, 1, 32, nullptr);
        HGDIOBJ previous = SelectObject(page, pixels);
        const auto print = [&] {
            PatBlt(page, 0, 0, client.right, client.bottom, WHITENESS);
            SendMessageA(banner, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(page), PRF_CLIENT);
        };
        print();
        for (POINT corner : {POINT{0, 0}, POINT{client.right - 1, 0}, POINT{0, client.bottom - 1},
                             POINT{client.right - 1, client.bottom - 1}}) {
            const COLORREF colour = GetPixel(page, corner.x, corner.y);
            const int red = GetRValue(colour);
            const int blue = GetBValue(colour);
            EXPECT_GT(blue, red + 40) << "no picture at " << corner.x << ", " << corner.y;
        }
        // High contrast: the banner's text in the text colour on the face colour.
        afxtest::SetHighContrast(true);
        dialog.SendMessage(WM_SYSCOLORCHANGE);
        print();
        afxtest::SetHighContrast(std::nullopt);
        EXPECT_EQ(GetPixel(page, 0, 0), GetSysColor(COLOR_BTNFACE));
        int textPixels = 0;
        for (int x = 0; x < client.right; ++x)
            textPixels += GetPixel(page, x, client.bottom / 2) == GetSysColor(COLOR_BTNTEXT);
        EXPECT_GT(textPixels, 0) << "no text in high contrast";
        SelectObject(page, previous);
        DeleteObject(pixels);
        DeleteDC(page);
        dialog.EndDialog(IDCANCEL);
    });
}

// Windows sends it when the window moves to a monitor of another scaling;
// Wine never does.
TEST_F(LauncherDialogTest,
       MoveTo150PercentTakesTheSuggestedRectangleAndRepicksBannerAndTitleIconNotTheTaskbarsTrayIcon) {
    std::vector<HICON> trayIcons;
    afxtest::SetNotifyIconHandler([&](DWORD message, const NOTIFYICONDATAW& data) {
        if (message == NIM_MODIFY) trayIcons.push_back(data.hIcon);
        return TRUE;
    });
    {
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            RECT frame{};
            GetClientRect(dialog.GetDlgItem(IDC_BANNER), &frame);
            // The picture for the frame as the system scales it with the window.
            const auto pickedAt = [&](int percent) {
                return BannerPictures[ChooseBannerPicture(
                                          {frame.right * percent / 100, frame.bottom * percent / 100})]
                    .size.width;
            };
            EXPECT_EQ(dialog.GetBanner().PickedSize().width, pickedAt(100));
            for (const UINT dpi : {144u, 192u}) {
                SCOPED_TRACE(dpi);
                RECT suggested{};
                GetWindowRect(dialog.GetSafeHwnd(), &suggested);
                suggested.right += (suggested.right - suggested.left) / 2;
                suggested.bottom += (suggested.bottom - suggested.top) / 2;
                dialog.SendMessage(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
                RECT taken{};
                GetWindowRect(dialog.GetSafeHwnd(), &taken);
                EXPECT_TRUE(EqualRect(&taken, &suggested));
                EXPECT_EQ(dialog.GetBanner().PickedSize().width, pickedAt(static_cast<int>(dpi) * 100 / 96));
                const int iconSize = static_cast<int>(dpi) / 6;  // 16 px at 96 dpi
                EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(dialog.SendMessage(WM_GETICON, ICON_SMALL))),
                          iconSize);
                EXPECT_TRUE(trayIcons.empty()) << "the tray's icon followed the window, not the task bar";
            }
            // At 200 % no picture drawn for 100 % would do: the banner was picked again.
            EXPECT_NE(pickedAt(200), pickedAt(100));
            dialog.EndDialog(IDCANCEL);
        });
    }
    afxtest::SetNotifyIconHandler(nullptr);
}

}  // namespace
