#pragma once

// Where the main window goes on the screen, in screen pixels. Portable: the
// window procedure measures, this decides.

struct ScreenBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The part of the screen the window may take: the system's work area (the
// screen less the taskbar and other docked bars), less a taskbar window on
// an edge of the screen that the work area still holds. Windows leaves an
// auto-hiding taskbar in the work area, and Wine leaves a stand-in taskbar
// window there whatever its place (measured: SPI_GETWORKAREA and
// ABM_GETTASKBARPOS ignore it). A taskbar that would leave no room is
// ignored.
ScreenBox FreeArea(const ScreenBox& screen, const ScreenBox& work_area, const ScreenBox* taskbar);

// The window's top-left corner at fractions x and y (0 to 1) of the room
// the area leaves around a window of the given size: x = 0 puts its left
// edge on the area's left edge, 1 its right edge on the area's right edge,
// each product truncated toward zero; a fraction outside 0 to 1 counts as
// the nearer end. A window larger than the area keeps
// its top-left corner on the area's, so its caption stays on the screen.
struct ScreenPoint {
    int x = 0;
    int y = 0;
};
ScreenPoint PlaceInArea(const ScreenBox& area, int width, int height, double x, double y);
