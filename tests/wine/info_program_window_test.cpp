// The program-information window: its painting and the ways it closes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/startup_state.h"
#include "info/version_info.h"
#include "log/message_log.h"
#include "resources/resource.h"
#include "tests/rig/message_box_capture.h"

namespace {

class ProgramInfoWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_window_color_ = g_startup.window_color;
        saved_text_color_ = g_startup.text_color;
        owner_ = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(owner_);
        g_startup.window_color = saved_window_color_;
        g_startup.text_color = saved_text_color_;
    }

    // Opens the window and runs steps inside its modal loop; the capture
    // closes it afterwards. Returns whether the window had ended (hidden by
    // EndDialog) when the steps were done.
    bool EndedBy(const std::function<void(HWND)>& steps)
    {
        bool ended = false;
        MessageBoxCapture capture;
        capture.OnDialog([&](HWND window, const CapturedWindow& seen) {
            caption_ = seen.caption;
            // The modal loop shows the window once its queue is idle, which
            // may come after the capture's turn: show it now so that its
            // hiding by EndDialog tells that it has ended.
            ShowWindow(window, SW_SHOWNORMAL);
            steps(window);
            ended = !IsWindowVisible(window);
        });
        OpenProgramInfo(owner_);
        EXPECT_EQ(capture.Dialogs().size(), 1u);
        EXPECT_TRUE(capture.Boxes().empty());
        return ended;
    }

    // Posts a message and lets the dialog manager's keyboard handling take
    // it, as the modal loop does.
    static void Deliver(HWND window, UINT message, WPARAM wparam)
    {
        PostMessageA(window, message, wparam, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageA(window, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    HWND owner_ = nullptr;
    std::string caption_;
    ColorRecord saved_window_color_ = {};
    ColorRecord saved_text_color_ = {};
};

TEST_F(ProgramInfoWindowTest, AnyKeyClosesIt)
{
    for (WPARAM key : {WPARAM{'A'}, WPARAM{VK_ESCAPE}, WPARAM{VK_RETURN}, WPARAM{VK_TAB}, WPARAM{VK_SPACE}}) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(EndedBy([&](HWND window) { Deliver(window, WM_KEYDOWN, key); }));
    }
    EXPECT_EQ(caption_, "プログラム情報 【 Close with any Key 】");
}

TEST_F(ProgramInfoWindowTest, ItsMenuItemClosesItButOtherCommandsDoNot)
{
    EXPECT_TRUE(EndedBy([](HWND window) { SendMessageA(window, WM_COMMAND, IDM_INFO_CLOSE, 0); }));
    EXPECT_FALSE(EndedBy([](HWND window) { SendMessageA(window, WM_COMMAND, IDM_SAVE, 0); }));
    EXPECT_TRUE(EndedBy([](HWND window) { SendMessageA(window, WM_CLOSE, 0, 0); }));
}

TEST_F(ProgramInfoWindowTest, PaintsTheTextInTheTextColourOnTheWindowColourAndClearsTheBuffer)
{
    g_startup.window_color = {0, 0, 255};
    g_startup.text_color = {255, 0, 0};
    int text_pixels = 0;
    int background_pixels = 0;
    EndedBy([&](HWND window) {
        g_message.Assign("left over");
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_TRUE(g_message.empty());
        RECT client;
        GetClientRect(window, &client);
        HDC dc = GetDC(window);
        // The first text line starts 15 pixels down and 5 in.
        for (int y = 15; y < 15 + 12 && y < client.bottom; ++y) {
            for (int x = 5; x < 200 && x < client.right; ++x) {
                COLORREF pixel = GetPixel(dc, x, y);
                if (pixel == RGB(255, 0, 0)) {
                    ++text_pixels;
                } else if (pixel == RGB(0, 0, 255)) {
                    ++background_pixels;
                }
            }
        }
        ReleaseDC(window, dc);
    });
    EXPECT_GT(text_pixels, 20);
    EXPECT_GT(background_pixels, 1000);
}

}  // namespace
