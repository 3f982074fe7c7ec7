#include "support/dialog_harness.h"

#include <gtest/gtest.h>

#include <cctype>
#include <deque>
#include <map>
#include <utility>

namespace harness {
namespace {

// Built before main like the program's own application object, with no name:
// the title is the test binary's file name.
CWinApp testApp;

std::vector<MessageBoxRecord> messageBoxes;
std::deque<int> messageBoxAnswers;
std::deque<std::pair<INT_PTR, std::wstring>> fileDialogAnswers;
int fileDialogCount = 0;
std::vector<ShellOpenRecord> shellOpens;

int AnswerMessageBox(const std::string& text, UINT type, const std::string& caption) {
    messageBoxes.push_back({text, type, caption});
    if (messageBoxAnswers.empty()) return IDOK;
    int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
}

INT_PTR AnswerFileDialogRequest(std::wstring& pathName) {
    ++fileDialogCount;
    if (fileDialogAnswers.empty()) return IDCANCEL;
    INT_PTR result = fileDialogAnswers.front().first;
    pathName = fileDialogAnswers.front().second;
    fileDialogAnswers.pop_front();
    return result;
}

void RecordShellOpen(HWND owner, const std::string& verb, const std::string& file) {
    shellOpens.push_back({owner, verb, file});
}

void ClearRecords() {
    messageBoxes.clear();
    messageBoxAnswers.clear();
    fileDialogAnswers.clear();
    fileDialogCount = 0;
    shellOpens.clear();
    testApp.m_pMainWnd = nullptr;
    testApp.m_nCmdShow = SW_SHOWNORMAL;
}

class HarnessEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        AfxWinMain(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
        afxtest::SetMessageBoxHandler(AnswerMessageBox);
        afxtest::SetFileDialogHandler(AnswerFileDialogRequest);
        afxtest::SetShellOpenHandler(RecordShellOpen);
    }
};

class RecordReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { ClearRecords(); }
    void OnTestEnd(const ::testing::TestInfo&) override { ClearRecords(); }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new HarnessEnvironment);
[[maybe_unused]] const bool listenerAdded = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new RecordReset);
    return true;
}();

// ---- modal runs

bool IsDialogWindow(HWND hwnd) {
    char className[16] = {};
    GetClassNameA(hwnd, className, sizeof className);
    return std::string(className) == "#32770";
}

BOOL CALLBACK EndOneDialog(HWND hwnd, LPARAM) {
    if (IsDialogWindow(hwnd)) EndDialog(hwnd, IDABORT);
    return TRUE;
}

// Thread timers of the pending "has it ended?" checks, by timer id.
std::map<UINT_PTR, std::pair<HWND, UINT>> endChecks;
bool watchdogFired = false;

void CALLBACK CheckDialogEnded(HWND, UINT, UINT_PTR timerId, DWORD) {
    KillTimer(nullptr, timerId);
    auto check = endChecks.find(timerId);
    if (check == endChecks.end()) return;
    HWND dialog = check->second.first;
    UINT templateId = check->second.second;
    endChecks.erase(check);
    // The modal loop leaves as soon as the dialog ends, and the window is
    // destroyed right after; one still there has not been ended.
    if (!IsWindow(dialog)) return;
    ADD_FAILURE() << "dialog " << templateId
                  << " was still open after its drive returned; ended with IDABORT";
    EndDialog(dialog, IDABORT);
}

void CALLBACK Watchdog(HWND, UINT, UINT_PTR timerId, DWORD) {
    KillTimer(nullptr, timerId);
    watchdogFired = true;
    EnumThreadWindows(GetCurrentThreadId(), EndOneDialog, 0);
}

void DriveThenCheck(const Drive& drive, CDialog& dialog) {
    HWND hwnd = dialog.GetSafeHwnd();
    UINT templateId = dialog.GetTemplateId();
    if (drive) drive(dialog);
    // Timer messages come after everything posted: the check runs once the
    // modal loop has handled what the drive left pending.
    if (IsWindow(hwnd))
        endChecks[SetTimer(nullptr, 0, USER_TIMER_MINIMUM, CheckDialogEnded)] = {hwnd, templateId};
}

}  // namespace

const std::vector<MessageBoxRecord>& MessageBoxes() { return messageBoxes; }

::testing::AssertionResult NoMessageBoxes() {
    if (messageBoxes.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << messageBoxes.size() << " message boxes, the first: \"" << messageBoxes.front().text << "\"";
}

void AnswerMessageBoxes(const std::vector<int>& answers) {
    messageBoxAnswers.insert(messageBoxAnswers.end(), answers.begin(), answers.end());
}

void AnswerFileDialog(INT_PTR result, const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length));
    AnswerFileDialog(result, wide);
}

void AnswerFileDialog(INT_PTR result, const std::wstring& path) {
    fileDialogAnswers.emplace_back(result, path);
}

int FileDialogCount() { return fileDialogCount; }

RealFileDialog::RealFileDialog(const std::string& library) {
    afxtest::SetFileDialogHandler(nullptr);
    afxtest::SetFileDialogLibrary(library);
}

RealFileDialog::~RealFileDialog() {
    afxtest::SetFileDialogLibrary("");
    afxtest::SetFileDialogHandler(AnswerFileDialogRequest);
}

const std::vector<ShellOpenRecord>& ShellOpens() { return shellOpens; }

CWinApp& TestApp() { return testApp; }

INT_PTR RunModal(CDialog& dialog, Drive drive, DWORD watchdogMs) {
    // One script at a time: nested dialogs reach the running drive instead.
    static bool running = false;
    if (running) {
        ADD_FAILURE() << "RunModal called from inside a drive; handle dialog " << dialog.GetTemplateId()
                      << " in the running drive instead";
        return -1;
    }
    running = true;
    watchdogFired = false;
    afxtest::SetModalObserver([&drive](CDialog& shown) { DriveThenCheck(drive, shown); });
    UINT_PTR watchdog = SetTimer(nullptr, 0, watchdogMs, Watchdog);
    INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, watchdog);
    afxtest::SetModalObserver(nullptr);
    for (const auto& check : endChecks) KillTimer(nullptr, check.first);
    endChecks.clear();
    running = false;
    EXPECT_FALSE(watchdogFired) << "dialog " << dialog.GetTemplateId() << " still ran after " << watchdogMs
                                << " ms; the watchdog ended it";
    return result;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave it for the loop that owns it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root != nullptr && IsDialogWindow(root) && IsDialogMessageA(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (done()) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        DWORD wait = timeoutMs - elapsed;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait < 50 ? wait : 50, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

void Click(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    ASSERT_NE(control, nullptr) << "no control " << controlId;
    SendMessageA(control, BM_CLICK, 0, 0);
}

std::string WithoutAccessKey(const std::string& caption) {
    std::string shown;
    for (std::size_t at = 0; at < caption.size(); ++at) {
        if (caption[at] == '&' && ++at == caption.size()) break;
        shown += caption[at];
    }
    return shown;
}

char AccessKey(const std::string& caption) {
    for (std::size_t at = 0; at + 1 < caption.size(); ++at) {
        if (caption[at] != '&') continue;
        if (caption[at + 1] != '&')
            return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[at + 1])));
        ++at;
    }
    return 0;
}

}  // namespace harness
