#include "app/window_look.h"

#include "app/startup_state.h"
#include "platform/brush.h"
#include "resources/resource.h"

// LR_SHARED: every window gets the one icon the system keeps for the module.
// Without it each dialog opening made an icon (three bitmaps under Wine)
// that nothing destroyed.
void SetSmallProgramIcon(HWND window)
{
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                LR_SHARED));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool HighContrastOn()
{
    HIGHCONTRASTA contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// Asked at each paint: the theme may be switched while the program runs.
COLORREF WindowColorInUse()
{
    return HighContrastOn() ? GetSysColor(COLOR_BTNFACE) : ColorValueOf(g_startup.window_color);
}

COLORREF TextColorInUse()
{
    return HighContrastOn() ? GetSysColor(COLOR_BTNTEXT) : ColorValueOf(g_startup.text_color);
}

HBRUSH WindowColorBrush()
{
    static SolidBrush brush;
    return brush.Get(WindowColorInUse());
}

HBRUSH StaticColors(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TextColorInUse());
    return WindowColorBrush();
}

bool AnswerAsEveryDialog(HWND dialog, UINT message, WPARAM wparam, INT_PTR& answer)
{
    switch (message) {
    case WM_CTLCOLORDLG:
        answer = reinterpret_cast<INT_PTR>(WindowColorBrush());
        return true;
    case WM_CTLCOLORSTATIC:
        answer = reinterpret_cast<INT_PTR>(StaticColors(reinterpret_cast<HDC>(wparam)));
        return true;
    case WM_CLOSE:
        EndDialog(dialog, DIALOG_CLOSED);
        answer = TRUE;
        return true;
    default:
        return false;
    }
}

void RequestClose(HWND dialog) { SendMessageA(dialog, WM_CLOSE, 0, 0); }
