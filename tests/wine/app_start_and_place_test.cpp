// What the program checks and decides about the system it runs on: the ANSI
// code page at start, and the main window's place with the taskbar on an
// edge (a stand-in "Shell_TrayWnd": Wine has no taskbar, and its work area
// and ABM_GETTASKBARPOS ignore such a window).
#include <gtest/gtest.h>

#include <string>

#include "app/code_page_check.h"
#include "app/main_window.h"
#include "tests/rig/message_box_capture.h"

namespace {

TEST(CodePageCheck, AnyCodePageButJapaneseEndsWithOneBoxThatNamesIt)
{
    for (unsigned code_page : {932u, 1252u, 65001u, 936u}) {
        MessageBoxCapture boxes;
        EXPECT_EQ(CheckAnsiCodePage(code_page), code_page == 932) << code_page;
        if (code_page == 932) {
            EXPECT_TRUE(boxes.Boxes().empty());
            continue;
        }
        ASSERT_EQ(boxes.Boxes().size(), 1u) << code_page;
        const CapturedWindow& box = boxes.Boxes()[0];
        EXPECT_EQ(box.caption, "Vantrel");
        EXPECT_EQ(box.icon, MessageBoxIcon::kError);
        EXPECT_EQ(box.text.rfind("Vantrel は日本語の文字コード（コードページ 932、Shift-JIS）で動作します。", 0), 0u);
        EXPECT_NE(box.text.find("コードページ " + std::to_string(code_page) + " のため"), std::string::npos) << box.text;
        EXPECT_NE(box.text.find("this computer uses code page " + std::to_string(code_page) + ","), std::string::npos);
    }
}

LRESULT CALLBACK TaskbarProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

TEST(MainWindowPlace, InsideTheScreenWithAStandInTaskbarOnTheLeftOrAtTheBottom)
{
    WNDCLASSA taskbar_class = {};
    taskbar_class.lpfnWndProc = TaskbarProc;
    taskbar_class.hInstance = GetModuleHandleA(nullptr);
    taskbar_class.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&taskbar_class);
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    const int kWidth = 650, kHeight = 300, kBar = 48;

    const struct {
        const char* edge;
        RECT bar;
        double x, y;
        POINT at;  // expected top-left corner
    } cases[] = {
        {"bottom", {0, screen.bottom - kBar, screen.right, screen.bottom}, 1.0, 1.0,
         {screen.right - kWidth, screen.bottom - kBar - kHeight}},
        {"bottom", {0, screen.bottom - kBar, screen.right, screen.bottom}, 0.0, 0.0, {0, 0}},
        {"left", {0, 0, kBar, screen.bottom}, 0.0, 1.0, {kBar, screen.bottom - kHeight}},
        {"left", {0, 0, kBar, screen.bottom}, 0.5, 0.5,
         {kBar + (screen.right - kBar - kWidth) / 2, (screen.bottom - kHeight) / 2}},
    };
    for (const auto& c : cases) {
        HWND bar = CreateWindowExA(WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, c.bar.left, c.bar.top,
                                   c.bar.right - c.bar.left, c.bar.bottom - c.bar.top, nullptr, nullptr, nullptr, nullptr);
        HWND main = CreateWindowA("STATIC", "", WS_POPUP, 5, 5, kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
        MoveMainWindow(main, c.x, c.y);
        RECT placed;
        GetWindowRect(main, &placed);
        EXPECT_EQ(std::make_pair(placed.left, placed.top), std::make_pair(c.at.x, c.at.y))
            << c.edge << " " << c.x << "," << c.y;
        EXPECT_TRUE(IsWindowVisible(main));
        DestroyWindow(main);
        DestroyWindow(bar);
    }
    UnregisterClassA("Shell_TrayWnd", GetModuleHandleA(nullptr));
}

}  // namespace
