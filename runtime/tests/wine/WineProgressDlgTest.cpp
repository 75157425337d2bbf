// The progress window under Wine: the template, what the phases set, the greyed Close
// command, ownership and centring, and the message pump.
#include "ProgressDlg.h"
#include "Text.h"

#include <commctrl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kScrutelDialog = 135;
constexpr int kMendoraDialog = 133;
constexpr UINT kCountedMessage = WM_APP + 7;

int g_countedMessages = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCountedMessage) {
        ++g_countedMessages;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A visible top-level window standing in for the main dialog.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int width, int height) {
        static const ATOM atom = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = CountingProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "VtProgressTestOwner";
            return RegisterClassA(&windowClass);
        }();
        EXPECT_NE(atom, 0);
        window_ =
            CreateWindowExA(0, "VtProgressTestOwner", "owner", WS_OVERLAPPEDWINDOW, x, y, width,
                            height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
        SetActiveWindow(window_);
        PumpMessages();
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

POINT Centre(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

LONG_PTR Style(HWND window) {
    return GetWindowLongPtrA(window, GWL_STYLE);
}

TEST(WineProgressDlg, CreatedHiddenAndCentredOverItsOwner) {
    OwnerWindow owner(100, 80, 600, 500);
    CProgressDlg progress(kScrutelDialog, owner.Handle());
    const HWND window = progress.Handle();
    ASSERT_NE(window, nullptr);

    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner.Handle());
    const POINT ownerCentre = Centre(owner.Handle());
    const POINT centre = Centre(window);
    EXPECT_LE(std::abs(centre.x - ownerCentre.x), 1);
    EXPECT_LE(std::abs(centre.y - ownerCentre.y), 1);

    EXPECT_EQ(WindowText(window), Ansi(u8"Velmora データチェックツール"));
    const LONG_PTR style = Style(window);
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
    char text[16] = {"not empty"};
    GetDlgItemTextA(window, CProgressDlg::kTextId, text, sizeof text);
    EXPECT_STREQ(text, "");
}

TEST(WineProgressDlg, WithoutParentTheActiveWindowOwnsIt) {
    OwnerWindow owner(50, 50, 400, 300);
    ASSERT_EQ(GetActiveWindow(), owner.Handle());
    CProgressDlg progress(kMendoraDialog);
    ASSERT_NE(progress.Handle(), nullptr);
    EXPECT_EQ(GetWindow(progress.Handle(), GW_OWNER), owner.Handle());
    EXPECT_EQ(WindowText(progress.Handle()), Ansi(u8"Velmora データ補正ツール"));
}

TEST(WineProgressDlg, ControlsOfTheTemplate) {
    CProgressDlg progress(kScrutelDialog);
    const HWND window = progress.Handle();
    ASSERT_NE(window, nullptr);

    const HWND edit = GetDlgItem(window, CProgressDlg::kTextId);
    ASSERT_NE(edit, nullptr);
    const LONG_PTR editStyle = Style(edit);
    EXPECT_TRUE(editStyle & ES_MULTILINE);
    EXPECT_TRUE(editStyle & ES_READONLY);
    EXPECT_TRUE(editStyle & WS_VISIBLE);
    EXPECT_FALSE(editStyle & (WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL));

    const HWND bar = GetDlgItem(window, CProgressDlg::kBarId);
    ASSERT_NE(bar, nullptr);
    char className[64] = {};
    GetClassNameA(bar, className, sizeof className);
    EXPECT_STREQ(className, PROGRESS_CLASSA);
    // (Its WS_BORDER is the control's to draw: the control takes it out of its style.)

    // The only button is the default OK, which is never shown.
    const HWND ok = GetDlgItem(window, IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(Style(ok) & WS_VISIBLE);
    EXPECT_EQ(Style(ok) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST(WineProgressDlg, CloseCommandIsGreyed) {
    CProgressDlg progress(kScrutelDialog);
    ASSERT_NE(progress.Handle(), nullptr);
    const UINT state =
        GetMenuState(GetSystemMenu(progress.Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND);
    ASSERT_NE(state, static_cast<UINT>(-1));
    EXPECT_TRUE(state & MF_GRAYED);
}

TEST(WineProgressDlg, ShowsTwoLineTextAndAFullBar) {
    OwnerWindow owner(100, 80, 600, 500);
    CProgressDlg progress(kScrutelDialog, owner.Handle());
    const HWND window = progress.Handle();
    ASSERT_NE(window, nullptr);

    const std::string text = Ansi(u8"キャビネット: 営業部\r\nをチェック中です。");
    progress.SetText(text);
    progress.SetRange(7); // one cabinet: six checks and the document type check
    progress.SetPosition(7);
    progress.Show();
    progress.Repaint();
    PumpMessages();

    EXPECT_TRUE(IsWindowVisible(window));
    char shown[256] = {};
    GetDlgItemTextA(window, CProgressDlg::kTextId, shown, sizeof shown);
    EXPECT_EQ(shown, text);
    EXPECT_EQ(SendDlgItemMessageA(window, CProgressDlg::kTextId, EM_GETLINECOUNT, 0, 0), 2);

    PBRANGE range{};
    SendDlgItemMessageA(window, CProgressDlg::kBarId, PBM_GETRANGE, FALSE,
                        reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 7);
    EXPECT_EQ(SendDlgItemMessageA(window, CProgressDlg::kBarId, PBM_GETPOS, 0, 0), 7);

    // A new text replaces the old one.
    progress.SetText(Ansi(u8"文書タイプをチェック中です。"));
    EXPECT_EQ(SendDlgItemMessageA(window, CProgressDlg::kTextId, EM_GETLINECOUNT, 0, 0), 1);
}

TEST(WineProgressDlg, HideEndsItAndTheObjectDestroysIt) {
    HWND window = nullptr;
    {
        CProgressDlg progress(kMendoraDialog);
        window = progress.Handle();
        ASSERT_NE(window, nullptr);
        progress.Show();
        PumpMessages();
        ASSERT_TRUE(IsWindowVisible(window));
        progress.Hide();
        PumpMessages();
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_TRUE(IsWindow(window));
    }
    EXPECT_FALSE(IsWindow(window));
}

TEST(WineProgressDlg, MissingTemplateGivesAnInertWindow) {
    CProgressDlg progress(4242);
    EXPECT_EQ(progress.Handle(), nullptr);
    progress.SetText("x");
    progress.SetRange(3);
    progress.SetPosition(1);
    progress.Show();
    progress.Repaint();
    progress.Hide();
}

TEST(WinePumpMessages, DispatchesEverythingWaitingAndReturns) {
    OwnerWindow target(0, 0, 200, 100);
    PumpMessages();
    g_countedMessages = 0;
    for (int i = 0; i < 5; ++i)
        PostMessageA(target.Handle(), kCountedMessage, 0, 0);
    PumpMessages();
    EXPECT_EQ(g_countedMessages, 5);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(WinePumpMessages, ReturnsAtOnceOnAnEmptyQueue) {
    PumpMessages();
    const auto start = std::chrono::steady_clock::now();
    PumpMessages();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 50);
}

TEST(WinePumpMessages, LeavesQuitForTheCallersLoop) {
    PumpMessages();
    PostQuitMessage(3);
    PumpMessages();
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
}

} // namespace
