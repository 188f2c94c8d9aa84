// What the application shell checks and decides about the system it runs
// on: the ANSI code page at start, the main window's place with the taskbar
// on an edge (a stand-in "Shell_TrayWnd": Wine has no taskbar, and its work
// area and ABM_GETTASKBARPOS ignore such a window), and dropped names that
// Shift-JIS cannot write.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/code_page_check.h"
#include "app/main_window.h"
#include "log/message_log.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/control_text.h"

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

// A drop as the shell hands it over, with wide names.
HDROP WideDrop(const std::vector<std::wstring>& paths)
{
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST(MainWindowDrop, ANameShiftJisCannotWriteIsRefusedNotSentAsItsNearestName)
{
    HWND main = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 300, 200, main, nullptr, nullptr, nullptr);
    SetMessageList(list);
    MessageBoxCapture boxes;
    // café.nc reads "cafe.nc" through the ANSI call (best fit), 한.nc "?.nc".
    MainWindowProc(main, WM_DROPFILES,
                   reinterpret_cast<WPARAM>(WideDrop({L"C:\\data\\caf\u00e9.nc", L"C:\\data\\\ud55c.nc"})), 0);
    std::vector<std::string> texts;
    for (const CapturedWindow& box : boxes.Boxes()) texts.push_back(box.text);
    const char* refusal = "の名前には Shift-JIS で書けない文字があるため、転送しませんでした";
    EXPECT_EQ(texts, (std::vector<std::string>{std::string("エラー：ファイル C:\\data\\cafe.nc ") + refusal,
                                               std::string("エラー：ファイル C:\\data\\?.nc ") + refusal}));
    for (const std::string& line : ListBoxLines(list)) EXPECT_NE(line, "routine name : StartVantrel");
    DestroyWindow(main);
}

}  // namespace
