// Where the main window goes: inside the work area, the taskbar on any edge.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/window_place.h"

namespace {

constexpr ScreenBox kScreen = {0, 0, 1280, 800};

TEST(WindowPlace, FreeAreaLeavesOutATaskbarOnAnyEdgeOnce)
{
    const ScreenBox bottom = {0, 760, 1280, 800}, left = {0, 0, 62, 800}, top = {0, 0, 1280, 40},
                    right = {1218, 0, 1280, 800}, hidden = {0, 798, 1280, 838};
    const struct {
        const char* what;
        ScreenBox work;
        const ScreenBox* taskbar;
        ScreenBox free;
    } cases[] = {
        {"no taskbar", kScreen, nullptr, kScreen},
        // The work area already leaves it out (Windows): nothing more.
        {"bottom, reserved", {0, 0, 1280, 760}, &bottom, {0, 0, 1280, 760}},
        {"left, reserved", {62, 0, 1280, 800}, &left, {62, 0, 1280, 800}},
        // The work area holds it (Wine, a stand-in window): cut it out.
        {"bottom", kScreen, &bottom, {0, 0, 1280, 760}},
        {"left", kScreen, &left, {62, 0, 1280, 800}},
        {"top", kScreen, &top, {0, 40, 1280, 800}},
        {"right", kScreen, &right, {0, 0, 1218, 800}},
        // Auto-hidden: two pixels of it on the screen.
        {"hidden at the bottom", kScreen, &hidden, {0, 0, 1280, 798}},
        // An empty work area counts as the screen; a taskbar over all of it is ignored.
        {"no work area", {0, 0, 0, 0}, &bottom, {0, 0, 1280, 760}},
        {"taskbar over the screen", kScreen, &kScreen, kScreen},
    };
    for (const auto& c : cases) {
        ScreenBox free = FreeArea(kScreen, c.work, c.taskbar);
        EXPECT_EQ((std::vector<int>{free.left, free.top, free.right, free.bottom}),
                  (std::vector<int>{c.free.left, c.free.top, c.free.right, c.free.bottom}))
            << c.what;
    }
}

TEST(WindowPlace, FractionsOfTheRoomLeftInTheArea)
{
    const ScreenBox above_taskbar = {0, 0, 1280, 760}, right_of_taskbar = {62, 0, 1280, 800};
    const struct {
        ScreenBox area;
        int width, height;
        double x, y;
        ScreenPoint at;
    } cases[] = {
        {above_taskbar, 650, 300, 0.0, 0.0, {0, 0}},
        {above_taskbar, 650, 300, 1.0, 1.0, {630, 460}},  // bottom edge just above the taskbar
        {above_taskbar, 650, 300, 0.5, 0.5, {315, 230}},
        {above_taskbar, 650, 300, 0.25, 0.75, {157, 345}},  // truncated toward zero
        {right_of_taskbar, 650, 300, 0.0, 1.0, {62, 500}},
        {right_of_taskbar, 650, 300, 1.0, 0.0, {630, 0}},
        // Never off the area: fractions beyond the ends, a window larger than the area.
        {above_taskbar, 650, 300, -3.0, 7.0, {0, 460}},
        {right_of_taskbar, 1400, 900, 1.0, 1.0, {62, 0}},
    };
    for (const auto& c : cases) {
        ScreenPoint at = PlaceInArea(c.area, c.width, c.height, c.x, c.y);
        EXPECT_EQ((std::pair<int, int>{at.x, at.y}), (std::pair<int, int>{c.at.x, c.at.y}))
            << c.x << "," << c.y << " in " << c.area.left << "," << c.area.top << "," << c.area.right << ","
            << c.area.bottom;
    }
}

}  // namespace
