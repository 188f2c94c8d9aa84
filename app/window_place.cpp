#include "app/window_place.h"

#include <algorithm>

namespace {

bool HasRoom(const ScreenBox& box) { return box.right > box.left && box.bottom > box.top; }

ScreenBox Intersection(const ScreenBox& a, const ScreenBox& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// Fractions outside 0 to 1 count as the nearer end: the window never
// leaves the area.
int Offset(int room, double fraction)
{
    if (room <= 0 || !(fraction > 0.0)) return 0;
    return static_cast<int>(room * std::min(fraction, 1.0));
}

}  // namespace

ScreenBox FreeArea(const ScreenBox& screen, const ScreenBox& work_area, const ScreenBox* taskbar)
{
    ScreenBox area = HasRoom(Intersection(screen, work_area)) ? Intersection(screen, work_area) : screen;
    if (taskbar == nullptr) return area;
    ScreenBox bar = Intersection(*taskbar, area);
    if (!HasRoom(bar)) return area;  // outside the work area already

    // A taskbar lies along the edge its long side runs along, the one
    // nearer to its middle.
    ScreenBox free = area;
    if (bar.right - bar.left >= bar.bottom - bar.top) {
        if (bar.top + bar.bottom > screen.top + screen.bottom) {
            free.bottom = std::min(free.bottom, bar.top);
        } else {
            free.top = std::max(free.top, bar.bottom);
        }
    } else if (bar.left + bar.right > screen.left + screen.right) {
        free.right = std::min(free.right, bar.left);
    } else {
        free.left = std::max(free.left, bar.right);
    }
    return HasRoom(free) ? free : area;
}

ScreenPoint PlaceInArea(const ScreenBox& area, int width, int height, double x, double y)
{
    return {area.left + Offset(area.right - area.left - width, x),
            area.top + Offset(area.bottom - area.top - height, y)};
}
