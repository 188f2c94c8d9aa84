#include "app/window_look.h"

#include "app/startup_state.h"
#include "platform/brush.h"
#include "resources/resource.h"

void SetSmallProgramIcon(HWND window)
{
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

HBRUSH WindowColorBrush()
{
    static SolidBrush brush;
    return brush.Get(ColorValueOf(g_startup.window_color));
}

HBRUSH StaticColors(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorValueOf(g_startup.text_color));
    return WindowColorBrush();
}
