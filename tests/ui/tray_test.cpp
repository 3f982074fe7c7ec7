// The notification-area icon and its menu: the icon's record and lifetime,
// the left-click toggle, the double click and the menu's choices.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/schedules.h"
#include "launcher_fixture.h"
#include "platform/startup_win32.h"
#include "resource.h"

namespace {

using harness::RunModal;

struct IconCall {
    DWORD message;
    NOTIFYICONDATAW data;
    bool configSaved;  // whether the configuration file existed at the call
};

// The shell and the user answered through the seams: every icon call is
// recorded, and the menu returns `menuChoice` as the real one would.
class TrayTest : public uitest::LauncherFixture {
protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        afxtest::SetNotifyIconHandler([this](DWORD message, const NOTIFYICONDATAW& data) {
            iconCalls.push_back({message, data, testsupport::FileExists(ConfigPath())});
            if (message == NIM_DELETE || refusals == 0) return TRUE;
            --refusals;
            return FALSE;
        });
        afxtest::SetPopupMenuHandler([this](HMENU menu, UINT flags, POINT at, HWND owner) {
            menuAt = at;
            menuItems = ItemsOf(menu);
            // The submenu's items, the checked one marked "*".
            scheduleItems.clear();
            HMENU schedules = GetSubMenu(menu, 5);
            for (const auto& [id, text] : ItemsOf(schedules)) {
                const bool checked = GetMenuState(schedules, id, MF_BYCOMMAND) & MF_CHECKED;
                scheduleItems.push_back((checked ? "*" : "") + text);
                if (!scheduleChoice.empty() && text.rfind(scheduleChoice, 0) == 0)
                    return static_cast<BOOL>(id);
            }
            menuDefault = GetMenuDefaultItem(menu, FALSE, 0);
            // Without TPM_RETURNCMD the choice arrives as a command instead.
            if (flags & TPM_RETURNCMD) return static_cast<BOOL>(menuChoice);
            if (menuChoice != 0) PostMessageA(owner, WM_COMMAND, menuChoice, 0);
            return TRUE;
        });
    }
    void TearDown() override {
        afxtest::SetNotifyIconHandler(nullptr);
        afxtest::SetPopupMenuHandler(nullptr);
        LauncherFixture::TearDown();
    }

    // Each item's identifier and text, as UTF-8 and with the access keys'
    // & taken out, so that "&&" reads "&".
    static std::vector<std::pair<UINT, std::string>> ItemsOf(HMENU menu) {
        std::vector<std::pair<UINT, std::string>> items;
        for (int at = 0; at < GetMenuItemCount(menu); ++at) {
            wchar_t text[128] = L"";
            GetMenuStringW(menu, static_cast<UINT>(at), text, 128, MF_BYPOSITION);
            items.emplace_back(GetMenuItemID(menu, at), harness::WithoutAccessKey(AfxUtf8Text(text)));
        }
        return items;
    }
    static void Notify(LauncherDialog& dialog, UINT mouseMessage, WPARAM anchor = 0) {
        dialog.SendMessage(TrayNotifyMessage, anchor, mouseMessage);
    }
    static void SetShown(LauncherDialog& dialog, bool shown) {
        dialog.ShowWindow(shown ? SW_SHOW : SW_HIDE);
        dialog.settings.iconized = !shown;
    }

    std::vector<IconCall> iconCalls;
    int refusals = 0;  // adds and changes the shell refuses before it takes one
    UINT menuChoice = 0;
    POINT menuAt{};
    std::vector<std::pair<UINT, std::string>> menuItems;
    std::string scheduleChoice;  // the start of a submenu item to choose
    std::vector<std::string> scheduleItems;
    UINT menuDefault = 0;
};

TEST_F(TrayTest, IconIsAddedAgainWithTheTaskBarAndRemovedBeforeTheSettingsAreSaved) {
    auto dialog = std::make_unique<LauncherDialog>();
    RunModal(*dialog, [&](CDialog&) {
        // The version with balloons, asked for once the icon is there.
        ASSERT_EQ(iconCalls.size(), 2u);
        EXPECT_EQ(iconCalls[0].message, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(iconCalls[1].message, static_cast<DWORD>(NIM_SETVERSION));
        const NOTIFYICONDATAW added = iconCalls[0].data;
        EXPECT_EQ(added.cbSize, sizeof(NOTIFYICONDATAW));
        EXPECT_EQ(added.uVersion, static_cast<UINT>(NOTIFYICON_VERSION_4));
        EXPECT_EQ(added.hWnd, dialog->GetSafeHwnd());
        EXPECT_EQ(added.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP));
        EXPECT_EQ(added.uCallbackMessage, static_cast<UINT>(WM_USER + 1));
        EXPECT_EQ(std::wstring(added.szTip), L"Orvix Launcher") << "a stopped launcher names a next launch";

        dialog->SendMessage(RegisterWindowMessageA("TaskbarCreated"));
        ASSERT_EQ(iconCalls.size(), 4u) << "the icon was not added to the new task bar";
        EXPECT_EQ(iconCalls[2].message, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(std::memcmp(&iconCalls[2].data, &added, sizeof added), 0) << "not the same record";
        dialog->EndDialog(IDCANCEL);
    });
    ASSERT_EQ(iconCalls.size(), 4u) << "removed before the dialog object went";
    dialog.reset();
    ASSERT_EQ(iconCalls.size(), 5u) << "the icon stayed after the dialog ended";
    EXPECT_EQ(iconCalls[4].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(std::memcmp(&iconCalls[4].data, &iconCalls[0].data, sizeof(NOTIFYICONDATAW)), 0)
        << "another record";
    EXPECT_FALSE(iconCalls[4].configSaved) << "the settings were saved before the icon was removed";
    EXPECT_TRUE(testsupport::FileExists(ConfigPath()));
}

// At logon the task bar may not be ready yet; a launcher that starts hidden
// would be out of reach without its icon.
TEST_F(TrayTest, RefusedIconIsTriedAgainEveryTwoSecondsUntilTheShellTakesIt) {
    refusals = 3;  // the first add, then the add and the change of one retry
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        EXPECT_TRUE(harness::PumpUntil([&] { return iconCalls.size() == 5; }, 5000));
        EXPECT_EQ(iconCalls[3].message, static_cast<DWORD>(NIM_ADD));
        EXPECT_FALSE(uitest::TimerRunning(dialog, TrayRetryTimer))
            << "still retrying after the icon was taken";
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(TrayTest, LeftClicksToggleTheWindowADoubleClickShowsItAndNothingSaves) {
    const UINT down = WM_LBUTTONDOWN, up = WM_LBUTTONUP;
    const struct {
        const char* name;
        bool shownBefore;
        std::vector<UINT> messages;
        bool shownAfter;
        bool closeButtonFirst = false;
        bool minimisedBefore = false;
    } cases[] = {
        {"press while shown", true, {down}, false},
        {"press while hidden", false, {down}, true},
        {"double click while shown", true, {down, up, WM_LBUTTONDBLCLK, up}, true},
        {"double click while hidden", false, {down, up, WM_LBUTTONDBLCLK, up}, true},
        {"double click's own message while shown", true, {WM_LBUTTONDBLCLK}, true},
        {"double click's own message while hidden", false, {WM_LBUTTONDBLCLK}, true},
        {"other mouse messages",
         true,
         {WM_MOUSEMOVE, up, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN},
         true},
        {"press after the Close button hid it", true, {down}, true, true},
        {"press while hidden after a minimised start", false, {down}, true, false, true},
        {"the keyboard's select while hidden", false, {NIN_KEYSELECT}, true},
    };
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            if (c.minimisedBefore) dialog.ShowWindow(SW_MINIMIZE);
            SetShown(dialog, c.shownBefore);
            if (c.closeButtonFirst) harness::Click(dialog.GetSafeHwnd(), IDC_CLOSE);
            for (UINT message : c.messages) Notify(dialog, message);
            EXPECT_EQ(dialog.IsWindowVisible() != FALSE, c.shownAfter);
            EXPECT_FALSE(dialog.IsIconic()) << "shown, but still minimised";
            EXPECT_EQ(dialog.settings.iconized, !c.shownAfter);
        }
        EXPECT_TRUE(menuItems.empty()) << "a left click opened the menu";
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_FALSE(testsupport::FileExists(ConfigPath())) << "a click saved the settings";
}

TEST_F(TrayTest, MenuActsOnlyOnTheChosenItemAndNeverAsAControlCommand) {
    const struct {
        const char* name;
        UINT choice;
        UINT opens;  // the dialog template opened, or 0
        bool shownAfter;
        bool shownBefore = false;
        bool byMouse = false;  // a right click, not the menu key; Escape sends the keyboard back only then
    } cases[] = {
        {"dismissed", 0, 0, false},
        {"dismissed after a right click", 0, 0, false, false, true},
        {"Show", 1028, 0, true},
        {"Log", 1031, IDD_LOG, false},
        {"About", 1027, IDD_ABOUT, false},
        {"Manual", 1030, IDD_MANUAL, false},
        {"Show while shown", 1028, 0, true, true},
    };
    const std::vector<std::pair<UINT, std::string>> items = {
        {1028, "Show"}, {1031, "Log"},           {1027, "About"}, {1030, "Manual"},
        {0, ""},        {UINT(-1), "Schedules"}, {0, ""},         {1026, "Exit"}};
    LauncherDialog dialog;
    UINT opened = 0;
    uitest::RunNotingWhatItOpens(dialog, opened, [&] {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            SetShown(dialog, c.shownBefore);
            menuChoice = c.choice;
            opened = 0;
            iconCalls.clear();
            if (c.byMouse) Notify(dialog, WM_RBUTTONUP);
            Notify(dialog, WM_CONTEXTMENU);
            EXPECT_EQ(menuItems, items);
            EXPECT_EQ(menuDefault, 1028u) << "Show, what a double click does";
            const bool focusBack = !iconCalls.empty() && iconCalls.back().message == NIM_SETFOCUS;
            EXPECT_EQ(focusBack, c.choice == 0 && !c.byMouse);
            MSG pending{};
            EXPECT_FALSE(PeekMessageA(&pending, dialog.GetSafeHwnd(), WM_COMMAND, WM_COMMAND, PM_NOREMOVE))
                << "the choice was sent as control command " << LOWORD(pending.wParam);
            if (c.opens == 0) {
                EXPECT_TRUE(PeekMessageA(&pending, dialog.GetSafeHwnd(), WM_NULL, WM_NULL, PM_REMOVE))
                    << "no WM_NULL after the menu";
            }
            harness::PumpMessages();
            EXPECT_EQ(opened, c.opens);
            EXPECT_EQ(dialog.IsWindowVisible() != FALSE, c.shownAfter);
            EXPECT_EQ(dialog.settings.iconized, !c.shownAfter);
        }
        // Opened from the keyboard, the menu belongs at the icon, whose point
        // comes in wParam; one on no monitor leaves it at the pointer.
        POINT pointer{};
        GetCursorPos(&pointer);
        for (const POINT anchor : {POINT{40, 30}, POINT{-30000, -30000}}) {
            menuChoice = 0;
            Notify(dialog, WM_CONTEXTMENU, MAKEWPARAM(anchor.x, anchor.y));
            const POINT expected = anchor.x > 0 ? anchor : pointer;
            EXPECT_EQ(std::make_pair(menuAt.x, menuAt.y), std::make_pair(expected.x, expected.y));
        }
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(harness::NoMessageBoxes());
    EXPECT_FALSE(testsupport::FileExists(ConfigPath())) << "a menu choice saved the settings";
}

// The submenu says which schedules run and starts this exe on the chosen
// one; "New Schedule..." makes a folder, refusing a name Windows keeps.
TEST_F(TrayTest, SchedulesSubmenuTellsWhichRunAndStartsTheChosenOrNewOne) {
    const std::string schedules = HomeFile(SchedulesFolderName),
                      greek = "\u0391\u03BD\u03C4\u03AF\u03B3\u03C1\u03B1\u03C6\u03B1";
    for (const std::string& name : {std::string(), std::string("\\R&D"), std::string("\\Alpha")})
        testsupport::MakeDirectory(schedules + name);
    // A launcher on R&D holds its guard's mutex.
    const HANDLE running = CreateMutexW(
        nullptr, FALSE, platform::WidePath(platform::LauncherMutexName(schedules + "\\R&D")).c_str());
    std::vector<std::string> starts;
    platform::SetStartHandler([&](const platform::StartRequest& request) {
        starts.push_back(request.target);
        return 0u;
    });
    const std::string exe = "\"" + platform::ExecutablePath() + "\"";
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog& shown) {
        if (shown.GetTemplateId() == IDD_NEW_SCHEDULE) {
            for (const std::string& typed : {std::string("nul.txt"), " " + greek + " "}) {
                HwndSetWideText(shown.GetDlgItem(IDC_SCHEDULE_NAME), platform::WidePath(typed));
                harness::Click(shown.GetSafeHwnd(), IDOK);
            }
            return;
        }
        SetShown(dialog, false);
        for (const char* choice : {"Alpha", "Home folder", "New Schedule"}) {
            scheduleChoice = choice;
            Notify(dialog, WM_CONTEXTMENU);
        }
        EXPECT_EQ(scheduleItems, (std::vector<std::string>{"*Home folder", "Alpha\t(not running)", "R&D", "",
                                                           "New Schedule..."}));
        EXPECT_TRUE(dialog.IsWindowVisible()) << "its own entry did not show the window";
        dialog.EndDialog(IDCANCEL);
    });
    platform::SetStartHandler(nullptr);
    CloseHandle(running);
    EXPECT_EQ(starts, (std::vector<std::string>{exe + " /folder \"" + schedules + "\\Alpha\"",
                                                exe + " /folder \"" + schedules + "\\" + greek + "\""}));
    ASSERT_EQ(harness::MessageBoxes().size(), 1u);
    EXPECT_EQ(harness::MessageBoxes()[0].text, "This name is reserved by Windows: nul.txt");
    EXPECT_EQ(harness::MessageBoxes()[0].caption, harness::TestApp().m_pszAppName) << "not the title";
    EXPECT_TRUE(platform::IsExistingFolder(schedules + "\\" + greek));
}

// While a window of ours is open over the launcher, the icon only brings it
// forward: no menu, no toggle, no second viewer stacked on the first.
TEST_F(TrayTest, IconWaitsWhileTheLogViewerIsOpen) {
    LauncherDialog dialog;
    int viewers = 0;
    RunModal(dialog, [&](CDialog& shown) {
        if (&shown == &dialog) {
            dialog.ShowLogDialog();
            EXPECT_TRUE(IsWindowEnabled(dialog.GetSafeHwnd())) << "still disabled after the viewer closed";
            dialog.EndDialog(IDCANCEL);
            return;
        }
        ++viewers;
        EXPECT_FALSE(IsWindowEnabled(dialog.GetSafeHwnd())) << "the viewer is not modal to the launcher";
        menuChoice = 1031;  // "Log", were the menu to open
        for (UINT click : {WM_CONTEXTMENU, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) Notify(dialog, click);
        harness::PumpMessages();
        EXPECT_TRUE(menuItems.empty()) << "the menu opened over the viewer";
        EXPECT_TRUE(dialog.IsWindowVisible()) << "the click toggled the window";
        EXPECT_EQ(GetForegroundWindow(), shown.GetSafeHwnd()) << "the viewer did not come forward";
        shown.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(viewers, 1);
}

// Each kind of notice as a balloon: its title and text, its icon, and the
// quiet-time flag that keeps it out of a presentation.
TEST_F(TrayTest, BalloonOfEachKindCarriesItsIconAndRespectsQuietTime) {
    const std::string longPath = "C:\\" + std::string(300, 'p') + ".exe";
    const struct {
        Notice notice;
        DWORD icon;
    } rows[] = {
        {LaunchFailedNotice("C:\\gone.exe", "The system cannot find the file specified (error 2)"),
         NIIF_ERROR},
        {CommandFailedNotice(longPath, 3), NIIF_WARNING},
        {LaunchMissedNotice(StartTime, true), NIIF_WARNING},
        {LaunchLateNotice("C:\\backup.exe", 61'000), NIIF_WARNING},
        {WakeUnavailableNotice("wake timers are off in the power plan"), NIIF_WARNING},
    };
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        TrayIcon icon(&dialog, TrayNotifyMessage, L"tip");
        for (const auto& row : rows) {
            SCOPED_TRACE(row.notice.title);
            iconCalls.clear();
            icon.ShowBalloon(std::wstring(row.notice.title.begin(), row.notice.title.end()),
                             std::wstring(row.notice.text.begin(), row.notice.text.end()),
                             row.notice.IsError());
            ASSERT_EQ(iconCalls.size(), 1u);
            const NOTIFYICONDATAW& shown = iconCalls[0].data;
            EXPECT_EQ(iconCalls[0].message, static_cast<DWORD>(NIM_MODIFY));
            EXPECT_NE(shown.uFlags & NIF_INFO, 0u);
            EXPECT_EQ(shown.dwInfoFlags, row.icon | NIIF_RESPECT_QUIET_TIME);
            EXPECT_EQ(std::wstring(shown.szInfoTitle),
                      std::wstring(row.notice.title.begin(), row.notice.title.end()));
            std::wstring text(row.notice.text.begin(), row.notice.text.end());
            if (text.size() > 255) text = text.substr(0, 252) + L"...";
            EXPECT_EQ(std::wstring(shown.szInfo), text);
        }
        icon.SetTip(L"tip");
        EXPECT_EQ(iconCalls.size(), 1u) << "an unchanged tip was sent again, or with its balloon";
        dialog.EndDialog(IDCANCEL);
    });
}

// A start that fails tells the user once, unless notifications are off, and
// rather than that it was late; clicking the balloon opens the log.
TEST_F(TrayTest, FailedStartShowsOneBalloonOnlyWithNotificationsOnAndOutranksBeingLate) {
    for (bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        LauncherDialog dialog;
        UINT opened = 0;
        uitest::RunNotingWhatItOpens(dialog, opened, [&] {
            if (!on) dialog.SendMessage(WM_SYSCOMMAND, IDM_NOTIFY);
            EXPECT_EQ(dialog.Notifies(), on);
            iconCalls.clear();
            uitest::SetControlText(dialog, IDC_PROGRAM_PATH, "C:\\no\\such\\program.exe");
            const int failures = LogCount("CreateProcess failed.");
            harness::Click(dialog.GetSafeHwnd(), IDC_TEST);
            // A name the system cannot find goes on to the shell, whose answer comes later.
            EXPECT_TRUE(
                harness::PumpUntil([&] { return LogCount("CreateProcess failed.") > failures; }, 10000));
            harness::PumpMessages();
            dialog.SendMessage(WM_TIMECHANGE);  // a later event has nothing new to tell
            std::vector<IconCall> balloons;
            for (const IconCall& call : iconCalls)
                if (call.data.uFlags & NIF_INFO) balloons.push_back(call);
            ASSERT_EQ(balloons.size(), on ? 1u : 0u);
            if (on) {
                EXPECT_EQ(std::wstring(balloons[0].data.szInfoTitle), L"Launch failed");
                EXPECT_EQ(balloons[0].data.dwInfoFlags,
                          static_cast<DWORD>(NIIF_ERROR | NIIF_RESPECT_QUIET_TIME));
                Notify(dialog, NIN_BALLOONUSERCLICK);
                harness::PumpMessages();
                EXPECT_EQ(opened, static_cast<UINT>(IDD_LOG)) << "the balloon's click did not open the log";
                // Told late only after the failure: the graver of the two is the balloon.
                testsupport::WriteFileBytes(HomeFile("text.exe"), "text");
                uitest::SetControlText(dialog, IDC_PROGRAM_PATH, HomeFile("text.exe"));
                uitest::SetPicker(dialog, IDC_TIME_PICKER, StartTime + 60);
                harness::Click(dialog.GetSafeHwnd(), IDC_LAUNCH);
                platform::SetTestClock(StartTime + 3600);
                iconCalls.clear();
                dialog.SendMessage(WM_TIMER, CountdownTimer);
                std::wstring told;
                for (const IconCall& call : iconCalls)
                    if (call.data.uFlags & NIF_INFO) told = call.data.szInfoTitle;
                EXPECT_EQ(told, L"Launch failed") << LogText();
            }
            dialog.EndDialog(IDCANCEL);
        });
        EXPECT_NE(testsupport::ReadFileBytes(HomeFile("orvix_launcher.ini")).find(on ? "" : "Notify=0"),
                  std::string::npos);
    }
}

}  // namespace
