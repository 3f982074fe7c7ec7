// CDialog under a real dialog manager: how a modal dialog starts, how its
// messages reach the object, and every way it ends.
#include "support/dialog_harness.h"
#include "test_dialogs.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>

namespace {

const UINT WM_TEST_ANSWER = WM_APP + 1;
const LRESULT kAnswer = 1234;

class TestDialog : public CDialog {
public:
    explicit TestDialog(UINT templateId = IDD_TEST_VISIBLE, CWnd* parent = nullptr)
        : CDialog(templateId, parent) {}

    int initCount = 0;
    HWND hwndAtInit = nullptr;
    LONG_PTR objectAtInit = 0;
    bool handleSysClose = false;
    INT_PTR nestedResult = 0;

    BOOL OnInitDialog() override {
        ++initCount;
        hwndAtInit = m_hWnd;
        objectAtInit = GetWindowLongPtrA(m_hWnd, DWLP_USER);
        HwndSetText(GetDlgItem(IDC_TEST_EDIT), "initialised");
        return TRUE;
    }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
            case WM_SYSCOMMAND:
                if ((wParam & 0xFFF0) != SC_CLOSE) break;
                if (!handleSysClose) Default();
                result = 0;
                return true;
            case WM_TEST_ANSWER:
                result = kAnswer;
                return true;
            case WM_CTLCOLORDLG:
                result = reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH));
                return true;
            case WM_COMMAND:
                if (LOWORD(wParam) != IDC_TEST_NESTED) break;
                {
                    TestDialog nested;
                    nestedResult = nested.DoModal();
                }
                result = 0;
                return true;
            default:
                break;
        }
        return CDialog::OnMessage(message, wParam, lParam, result);
    }
};

TEST(Dialog, DoModalReturnsTheEndDialogResultAndForgetsTheWindow) {
    TestDialog dialog;
    HWND shown = nullptr;
    INT_PTR result = harness::RunModal(dialog, [&](CDialog& d) {
        shown = d.GetSafeHwnd();
        EXPECT_TRUE(IsWindowVisible(shown));
        d.EndDialog(42);
    });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(shown));
}

TEST(Dialog, OnInitDialogRunsOnceWithTheObjectAlreadyStored) {
    TestDialog dialog;
    std::string editText;
    harness::RunModal(dialog, [&](CDialog& d) {
        EXPECT_EQ(dialog.hwndAtInit, d.GetSafeHwnd());
        editText = HwndGetText(d.GetDlgItem(IDC_TEST_EDIT));
        d.EndDialog(IDOK);
    });
    EXPECT_EQ(dialog.initCount, 1);
    EXPECT_EQ(dialog.objectAtInit, reinterpret_cast<LONG_PTR>(&dialog));
    EXPECT_EQ(editText, "initialised");
}

TEST(Dialog, OkAndCancelButtonsEndWithTheirCommand) {
    for (int button : {IDOK, IDCANCEL}) {
        TestDialog dialog;
        INT_PTR result =
            harness::RunModal(dialog, [&](CDialog& d) { harness::Click(d.GetSafeHwnd(), button); });
        EXPECT_EQ(result, button);
    }
}

TEST(Dialog, EscapeEndsAsCancel) {
    TestDialog dialog;
    INT_PTR result = harness::RunModal(dialog, [](CDialog& d) {
        HWND edit = d.GetDlgItem(IDC_TEST_EDIT);
        ::SetFocus(edit);
        // Left for the modal loop, which hands keys to the dialog manager.
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(edit, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001));
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(Dialog, CloseMessageFromOutsideEndsAsCancel) {
    for (bool posted : {false, true}) {
        TestDialog dialog;
        INT_PTR result = harness::RunModal(dialog, [&](CDialog& d) {
            if (posted) {
                PostMessageA(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
            } else {
                SendMessageA(d.GetSafeHwnd(), WM_CLOSE, 0, 0);
            }
        });
        EXPECT_EQ(result, IDCANCEL) << (posted ? "posted" : "sent");
    }
}

TEST(Dialog, DefaultLetsTheSystemCloseCommandEndTheDialog) {
    TestDialog dialog;
    INT_PTR result = harness::RunModal(
        dialog, [](CDialog& d) { SendMessageA(d.GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(Dialog, HandledSystemCloseCommandKeepsTheDialogOpen) {
    TestDialog dialog;
    dialog.handleSysClose = true;
    INT_PTR result = harness::RunModal(dialog, [](CDialog& d) {
        SendMessageA(d.GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        harness::PumpMessages();
        // EndDialog hides the window at once; a dialog still shown has not ended.
        EXPECT_TRUE(IsWindowVisible(d.GetSafeHwnd()));
        d.EndDialog(IDOK);
    });
    EXPECT_EQ(result, IDOK);
}

TEST(Dialog, HandledResultsReachTheSender) {
    TestDialog dialog;
    harness::RunModal(dialog, [](CDialog& d) {
        HWND hwnd = d.GetSafeHwnd();
        EXPECT_EQ(SendMessageA(hwnd, WM_TEST_ANSWER, 0, 0), kAnswer);
        // A colour message returns its brush itself, not through DWLP_MSGRESULT.
        HDC dc = GetDC(hwnd);
        LRESULT brush =
            SendMessageA(hwnd, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
        ReleaseDC(hwnd, dc);
        EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH)));
        d.EndDialog(IDOK);
    });
}

TEST(Dialog, NestedDialogIsObservedAndOwnedByTheMainWindow) {
    TestDialog outer;
    harness::TestApp().m_pMainWnd = &outer;
    HWND outerHwnd = nullptr;
    HWND nestedOwner = nullptr;
    bool outerEnabledDuringNested = true;
    harness::RunModal(outer, [&](CDialog& d) {
        if (&d == &outer) {
            outerHwnd = d.GetSafeHwnd();
            EXPECT_EQ(GetWindow(outerHwnd, GW_OWNER), nullptr) << "the main window must not own itself";
            harness::Click(outerHwnd, IDC_TEST_NESTED);
            d.EndDialog(IDOK);
            return;
        }
        nestedOwner = GetWindow(d.GetSafeHwnd(), GW_OWNER);
        outerEnabledDuringNested = IsWindowEnabled(outerHwnd) != FALSE;
        d.EndDialog(77);
    });
    EXPECT_EQ(outer.nestedResult, 77);
    EXPECT_EQ(nestedOwner, outerHwnd);
    EXPECT_FALSE(outerEnabledDuringNested);
}

TEST(Dialog, TemplateWithoutVisibleStyleIsShownBeforeItIsDriven) {
    TestDialog dialog(IDD_TEST_HIDDEN);
    bool visible = false;
    harness::RunModal(dialog, [&](CDialog& d) {
        visible = IsWindowVisible(d.GetSafeHwnd()) != FALSE;
        d.EndDialog(IDOK);
    });
    EXPECT_TRUE(visible);
}

TEST(Dialog, MissingTemplateFailsWithoutRunning) {
    TestDialog dialog(4242);
    bool driven = false;
    EXPECT_EQ(harness::RunModal(dialog, [&](CDialog&) { driven = true; }), -1);
    EXPECT_FALSE(driven);
    EXPECT_EQ(dialog.initCount, 0);
}

TEST(Wnd, ControlHelpersActOnTheRealControls) {
    TestDialog dialog;
    harness::RunModal(dialog, [](CDialog& d) {
        d.CheckDlgButton(IDC_TEST_CHECK, BST_CHECKED);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_TEST_CHECK), static_cast<UINT>(BST_CHECKED));
        harness::Click(d.GetSafeHwnd(), IDC_TEST_CHECK);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_TEST_CHECK), static_cast<UINT>(BST_UNCHECKED));

        d.EnableDlgItem(IDC_TEST_EDIT, FALSE);
        EXPECT_FALSE(IsWindowEnabled(d.GetDlgItem(IDC_TEST_EDIT)));

        d.SetWindowText("Caption & more");
        EXPECT_EQ(d.GetWindowText(), "Caption & more");
        // Longer than any path or line buffer.
        const std::string longText(20000, 'x');
        HwndSetText(d.GetDlgItem(IDC_TEST_EDIT), longText.c_str());
        EXPECT_EQ(HwndGetText(d.GetDlgItem(IDC_TEST_EDIT)).size(), longText.size());
        d.EndDialog(IDOK);
    });
    EXPECT_EQ(HwndGetText(nullptr), "");
}

TEST(Harness, DialogLeftOpenByItsDriveIsEndedAndReported) {
    TestDialog dialog;
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = harness::RunModal(dialog, [](CDialog&) {}),
                            "still open after its drive");
    EXPECT_EQ(result, IDABORT);
}

TEST(Harness, WatchdogEndsAStuckDialog) {
    TestDialog dialog;
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = harness::RunModal(
                                dialog,
                                [](CDialog& d) {
                                    HWND hwnd = d.GetSafeHwnd();
                                    harness::PumpUntil([hwnd] { return !IsWindowVisible(hwnd); }, 10000);
                                },
                                300),
                            "watchdog");
    EXPECT_EQ(result, IDABORT);
}

}  // namespace
