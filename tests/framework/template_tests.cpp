// The program's resources as the running program sees them: every control of
// the launcher dialog, the other dialogs, the strings, pictures and version.
#include "resource.h"
#include "support/dialog_harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct ControlRow {
    int id;
    const char* className;
    DWORD style;       // bits that must be set; WS_TABSTOP, WS_GROUP and the type bits must match exactly
    DWORD exStyle;     // bits that must be set
    const char* text;  // as shown; nullptr: the control shows its value instead of its window text
    int x, y, width, height;
};

const DWORD kGroup = BS_GROUPBOX;
const DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
const DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
const DWORD kBanner = SS_OWNERDRAW | SS_SUNKEN;
// A hidden label names the box after it; the box is read-only and reached with Tab.
const DWORD kLabel = SS_LEFT;
const DWORD kReadOnly = ES_READONLY | WS_BORDER | WS_TABSTOP;

// The launcher dialog, in template order (which is the tab and stacking order).
const ControlRow kLauncherControls[] = {
    {IDC_PROGRAM_GROUP, "Button", kGroup, 0, "Program To Execute or Command Line", 7, 54, 242, 39},
    {IDC_PROGRAM_PATH, "Edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, "", 13, 65, 193, 12},
    {IDC_BROWSE, "Button", kPush, 0, "Browse", 212, 63, 32, 14},
    {IDC_WINDOWS_PROGRAM, "Button", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, "Windows Program", 15, 80,
     73, 10},
    {IDC_SHELL_COMMAND, "Button", BS_AUTORADIOBUTTON | WS_TABSTOP, 0, "Shell/Batch Command", 89, 80, 87, 10},
    {IDC_AUTO_RESTART, "Button", kCheck | WS_GROUP, 0, "Auto-Restart", 180, 80, 55, 10},
    {IDC_DAY_GROUP, "Button", kGroup, 0, "Execution Day", 7, 96, 242, 26},
    {IDC_MONDAY, "Button", kCheck, 0, "Mon", 16, 108, 30, 10},
    {IDC_TUESDAY, "Button", kCheck, 0, "Tue", 50, 108, 29, 10},
    {IDC_WEDNESDAY, "Button", kCheck, 0, "Wed", 84, 108, 31, 10},
    {IDC_THURSDAY, "Button", kCheck, 0, "Thu", 120, 108, 29, 10},
    {IDC_FRIDAY, "Button", kCheck, 0, "Fri", 154, 108, 23, 10},
    {IDC_SATURDAY, "Button", kCheck, 0, "Sat", 182, 108, 27, 10},
    {IDC_SUNDAY, "Button", kCheck, 0, "Sun", 214, 108, 29, 10},
    {IDC_DATE_GROUP, "Button", kGroup, 0, "Launch Date", 7, 126, 131, 28},
    {IDC_DATE_PICKER, "SysDateTimePick32", DTS_LONGDATEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP, 0, nullptr, 13,
     136, 122, 13},
    {IDC_TIME_GROUP, "Button", kGroup, 0, "Launch Time", 143, 126, 69, 28},
    {IDC_TIME_PICKER, "SysDateTimePick32", DTS_TIMEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP, 0, nullptr, 149, 137,
     59, 13},
    {IDC_TODAY, "Button", kPush, 0, "Today", 217, 134, 27, 14},
    {IDC_INTERVAL_GROUP, "Button", kGroup, 0, "Timing Interval (s)", 7, 158, 131, 32},
    {IDC_INTERVAL_SLIDER, "msctls_trackbar32", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 0, "Slider1", 12, 169, 73,
     14},
    {IDC_INTERVAL_SPIN, "msctls_updown32", UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_SETBUDDYINT | WS_TABSTOP, 0,
     "Timing interval", 88, 166, 11, 21},
    {IDC_INTERVAL_EDIT, "Edit", ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE, "", 103, 169, 26, 14},
    {IDC_APPLY_RESET, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, "Apply/Reset", 10, 217, 49, 14},
    {IDC_TEST, "Button", kPush, 0, "Test", 70, 217, 25, 14},
    {IDC_LAUNCH, "Button", kPush, 0, "Launch", 106, 217, 32, 14},
    {IDC_LOG, "Button", kPush, 0, "Log", 149, 217, 23, 14},
    {IDC_HELP_BUTTON, "Button", kPush, 0, "Help", 183, 217, 27, 14},
    {IDC_CLOSE, "Button", kPush, 0, "Close", 221, 217, 25, 14},
    {IDC_STATIC, "Static", kLabel, 0, "Progress to launch", 7, 197, 241, 14},
    {IDC_PROGRESS, "msctls_progress32", WS_BORDER, 0, "Progress1", 7, 197, 241, 14},
    {IDC_STATIC, "Static", kLabel, 0, "Status", 148, 170, 38, 15},
    {IDC_STATUS, "Edit", kReadOnly, WS_EX_DLGMODALFRAME, "", 148, 170, 38, 15},
    {IDC_STATUS_GROUP, "Button", kGroup, 0, "Status & Countdown (d:h:m:s)", 143, 158, 105, 32},
    {IDC_STATIC, "Static", kLabel, 0, "Time left", 189, 169, 53, 16},
    {IDC_COUNTDOWN, "Edit", kReadOnly, WS_EX_DLGMODALFRAME, "", 189, 169, 53, 16},
    {IDC_BANNER, "Static", kBanner | SS_NOTIFY, WS_EX_DLGMODALFRAME, "Orvix Launcher Version 2.11", 10, 4,
     237, 47},
    {IDC_STATIC, "Static", kBanner, WS_EX_DLGMODALFRAME, nullptr, 10, 4, 237, 47},
    {IDC_STATIC, "Static", kBanner, WS_EX_DLGMODALFRAME, nullptr, 9, 4, 237, 47},
};

// One letter per control, none twice in the window; none on Test and
// Apply/Reset, which a letter typed on a button would press at once.
void ExpectUniqueAccessKeys(HWND dialog) {
    std::string keys;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        const char key = harness::AccessKey(HwndGetText(control));
        const int id = GetDlgCtrlID(control);
        if (id == IDC_TEST || id == IDC_APPLY_RESET) {
            EXPECT_EQ(key, 0) << id;
        }
        if (key == 0) continue;
        EXPECT_EQ(keys.find(key), std::string::npos) << "key " << key << " again on " << id;
        keys += key;
    }
}

std::string ClassName(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// The dialog manager converts the origin and the size each on its own.
RECT DialogUnitsToPixels(HWND dialog, int x, int y, int width, int height) {
    RECT origin = {x, y, 0, 0};
    RECT size = {width, height, 0, 0};
    MapDialogRect(dialog, &origin);
    MapDialogRect(dialog, &size);
    return {origin.left, origin.top, origin.left + size.left, origin.top + size.top};
}

// Windows and Wine turn WS_BORDER on a control of a 3D-look dialog into the
// sunken client edge.
bool HasBorder(DWORD style, DWORD exStyle) {
    return (style & WS_BORDER) != 0 || (exStyle & WS_EX_CLIENTEDGE) != 0;
}

bool RunningOnWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

RECT RectInParent(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The control-type bits of a style, which a control keeps as given.
DWORD TypeBits(const std::string& className, DWORD style) {
    if (className == "Button") return style & BS_TYPEMASK;
    if (className == "Static") return style & SS_TYPEMASK;
    return 0;
}

void ExpectControlAsInTemplate(HWND dialog, HWND control, const ControlRow& row) {
    SCOPED_TRACE("control " + std::to_string(row.id) + " " + row.className);
    const std::string className = ClassName(control);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE));
    EXPECT_EQ(GetDlgCtrlID(control), row.id);
    EXPECT_EQ(lstrcmpiA(className.c_str(), row.className), 0) << className;
    const DWORD required = row.style & ~static_cast<DWORD>(WS_BORDER);
    EXPECT_EQ(style & required, required) << std::hex << style;
    // The progress bar draws its own frame: Wine's comctl32 drops the border
    // bits that the dialog manager gave it, so only the others show one.
    if ((row.style & WS_BORDER) != 0 && className != "msctls_progress32") {
        EXPECT_TRUE(HasBorder(style, exStyle)) << std::hex << style << " " << exStyle;
    }
    EXPECT_EQ(style & (WS_TABSTOP | WS_GROUP), row.style & (WS_TABSTOP | WS_GROUP)) << std::hex << style;
    EXPECT_EQ(TypeBits(row.className, style), TypeBits(row.className, row.style)) << std::hex << style;
    EXPECT_EQ(exStyle & row.exStyle, row.exStyle) << std::hex << exStyle;
    if (row.text != nullptr) {
        EXPECT_EQ(harness::WithoutAccessKey(HwndGetText(control)), row.text);
    }
    // Only a label is hidden.
    EXPECT_EQ((style & WS_VISIBLE) == 0, className == "Static" && TypeBits(className, style) == SS_LEFT);

    RECT expected = DialogUnitsToPixels(dialog, row.x, row.y, row.width, row.height);
    RECT actual = RectInParent(control);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    // Wine's up-down control takes its own width.
    if (className != "msctls_updown32") {
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
    }
}

TEST(LauncherTemplate, WindowIsTheFixedSizeModalFrame) {
    CDialog dialog(IDD_LAUNCHER);
    harness::RunModal(dialog, [](CDialog& d) {
        HWND hwnd = d.GetSafeHwnd();
        EXPECT_EQ(d.GetWindowText(), " Orvix Launcher - Version 2.11");
        const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        const DWORD required = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SYSMODAL;
        EXPECT_EQ(style & required, required) << std::hex << style;
        EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u) << std::hex << style;
        const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE));
        EXPECT_EQ(exStyle & WS_EX_APPWINDOW, static_cast<DWORD>(WS_EX_APPWINDOW)) << std::hex << exStyle;
        // Windows makes a DS_SYSMODAL dialog topmost; Wine 8 keeps the style
        // bit (checked above) but does not raise the window.
        if (!RunningOnWine()) {
            EXPECT_EQ(exStyle & WS_EX_TOPMOST, static_cast<DWORD>(WS_EX_TOPMOST)) << std::hex << exStyle;
        }

        RECT client;
        GetClientRect(hwnd, &client);
        RECT size = DialogUnitsToPixels(hwnd, 0, 0, 257, 237);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
        d.EndDialog(IDOK);
    });
}

TEST(LauncherTemplate, EveryControlInTemplateOrder) {
    CDialog dialog(IDD_LAUNCHER);
    harness::RunModal(dialog, [](CDialog& d) {
        HWND hwnd = d.GetSafeHwnd();
        HWND control = GetWindow(hwnd, GW_CHILD);
        for (const ControlRow& row : kLauncherControls) {
            ASSERT_NE(control, nullptr) << "control " << row.id << " is missing";
            ExpectControlAsInTemplate(hwnd, control, row);
            control = GetWindow(control, GW_HWNDNEXT);
        }
        EXPECT_EQ(control, nullptr) << "more controls than the template table";
        EXPECT_EQ(LOWORD(SendMessageA(hwnd, DM_GETDEFID, 0, 0)), IDC_APPLY_RESET);
        ExpectUniqueAccessKeys(hwnd);
        d.EndDialog(IDOK);
    });
}

struct ChildRule {
    int id;
    DWORD required;
    DWORD forbidden;
    const char* label = nullptr;  // the hidden label just before it, which names it
};
struct DialogRow {
    UINT templateId;
    const char* caption;
    int defaultButton;
    int firstFocus;  // as the bare template leaves it
    std::vector<ChildRule> children;
    WPARAM closingKey;
    INT_PTR closingResult;
};

TEST(OtherTemplates, CaptionsControlsAndDefaultButtons) {
    const DWORD edit = ES_MULTILINE | WS_VSCROLL;
    const DialogRow rows[] = {
        {IDD_ABOUT,
         "About Orvix Launcher",
         IDOK,
         IDOK,
         {{IDC_ABOUT_MAKER, 0, 0}, {IDOK, WS_TABSTOP, 0}},
         VK_RETURN,
         IDOK},
        {IDD_MANUAL,
         "Orvix Launcher Manual",
         IDC_MANUAL_CLOSE,
         IDC_MANUAL_TEXT,  // the dialog itself puts it on Close
         {{IDC_MANUAL_TEXT, edit | ES_READONLY | WS_TABSTOP, ES_AUTOHSCROLL, "Manual"},
          {IDC_MANUAL_CLOSE, WS_TABSTOP, 0}},
         VK_ESCAPE,
         IDCANCEL},
        {IDD_LOG,
         "Orvix Launcher Log",
         IDC_LOG_CLOSE,
         IDC_LOG_TEXT,
         {{IDC_LOG_TEXT, edit | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_OEMCONVERT | ES_READONLY | WS_TABSTOP, 0,
           "Log"},
          {IDC_LOG_RESET, WS_TABSTOP, 0},
          {IDC_LOG_CLOSE, WS_TABSTOP, 0}},
         VK_ESCAPE,
         IDCANCEL},
    };
    for (const DialogRow& row : rows) {
        SCOPED_TRACE("dialog " + std::to_string(row.templateId));
        CDialog dialog(row.templateId);
        INT_PTR result = harness::RunModal(dialog, [&](CDialog& d) {
            EXPECT_EQ(d.GetWindowText(), row.caption);
            EXPECT_EQ(LOWORD(SendMessageA(d.GetSafeHwnd(), DM_GETDEFID, 0, 0)), row.defaultButton);
            EXPECT_EQ(GetFocus(), d.GetDlgItem(row.firstFocus));
            for (const ChildRule& child : row.children) {
                HWND control = d.GetDlgItem(child.id);
                ASSERT_NE(control, nullptr) << "control " << child.id;
                DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
                EXPECT_EQ(style & child.required, child.required)
                    << child.id << std::hex << " style " << style;
                EXPECT_EQ(style & child.forbidden, 0u) << child.id << std::hex << " style " << style;
                if (child.required & ES_MULTILINE) {
                    EXPECT_TRUE(HasBorder(style, static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE))));
                }
                // In template order, which for the buttons is the order they are shown in.
                HWND next = &child == &row.children.back() ? nullptr : d.GetDlgItem((&child + 1)->id);
                EXPECT_EQ(GetWindow(control, GW_HWNDNEXT), next) << child.id;
                if (child.label) {
                    EXPECT_EQ(HwndGetText(GetWindow(control, GW_HWNDPREV)), child.label);
                    EXPECT_FALSE(IsWindowVisible(GetWindow(control, GW_HWNDPREV)));
                }
            }
            ExpectUniqueAccessKeys(d.GetSafeHwnd());
            // The base dialog ends on Enter only through OK; Escape always cancels.
            PostMessageA(GetFocus(), WM_KEYDOWN, row.closingKey, 0x00010001);
        });
        EXPECT_EQ(result, row.closingResult);
    }
}

TEST(Resources, StringIconBannerManifestAndVersion) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    char text[64] = {};
    LoadStringA(instance, IDS_ABOUT_LAUNCHER, text, sizeof text);
    EXPECT_STREQ(text, "&About launcher...");

    // The icon group: an image for each size the display scaling asks for,
    // 32-bit with alpha, so that Windows need not stretch a smaller one.
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    HRSRC group = FindResourceA(instance, MAKEINTRESOURCEA(IDI_MAIN_ICON), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* header = static_cast<const WORD*>(LockResource(LoadResource(instance, group)));
    const int sizes[] = {16, 20, 24, 32, 40, 48, 256};
    ASSERT_EQ(header[2], std::size(sizes)) << "images in icon 128";
    const auto* entries = reinterpret_cast<const GroupEntry*>(header + 3);
    for (size_t i = 0; i < std::size(sizes); ++i) {
        EXPECT_EQ(entries[i].width, sizes[i] % 256) << "256 is written as 0";
        EXPECT_EQ(entries[i].height, entries[i].width);
        EXPECT_EQ(entries[i].bitCount, 32);
    }

    // The banner at 1x, 2x and 3x: the launcher picks among them by these sizes.
    const struct {
        int id, width, height;
    } banners[] = {{IDB_BANNER, 350, 70}, {IDB_BANNER_2X, 700, 140}, {IDB_BANNER_3X, 1050, 210}};
    for (const auto& expected : banners) {
        HANDLE banner =
            LoadImageA(instance, MAKEINTRESOURCEA(expected.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
        ASSERT_NE(banner, nullptr) << expected.id;
        DIBSECTION section = {};
        ASSERT_EQ(GetObjectA(banner, sizeof section, &section), static_cast<int>(sizeof section));
        EXPECT_EQ(section.dsBm.bmWidth, expected.width);
        EXPECT_EQ(section.dsBm.bmHeight, expected.height);
        EXPECT_EQ(section.dsBm.bmBitsPixel, 8);
        DeleteObject(banner);
    }

    HRSRC manifest = FindResourceA(instance, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    std::string manifestText(static_cast<const char*>(LockResource(LoadResource(instance, manifest))),
                             SizeofResource(instance, manifest));
    EXPECT_NE(manifestText.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifestText.find("asInvoker"), std::string::npos);
    EXPECT_NE(manifestText.find(">PerMonitorV2, System</dpiAwareness>"), std::string::npos);

    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> version(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, version.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(11, 2)));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    for (auto [name, expected] : {std::pair<const char*, const char*>{"ProductName", "Orvix Launcher"},
                                  {"OriginalFilename", "OrvixLauncher.exe"}}) {
        char* value = nullptr;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueA(version.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
            << key;
        EXPECT_STREQ(value, expected);
    }
}

}  // namespace
