#include "ftpclient/client_layout.h"

#include <algorithm>

#include "ftpclient/ids.h"
#include "platform/profile.h"

namespace {

// Dialog units of the template (ftpclient.rc) in pixels of this window's font.
struct Units {
    RECT hundred;
    int X(int dialog_units) const { return MulDiv(dialog_units, hundred.right, 100); }
    int Y(int dialog_units) const { return MulDiv(dialog_units, hundred.bottom, 100); }
};

constexpr const char* kSection = "window";

// The buttons between the panes, one column of one width.
constexpr int kMiddleButtons[] = {IDC_UPLOAD, IDC_DOWNLOAD, IDC_DELETE, IDC_REFRESH};
constexpr int kMiddleButtonsWidth = 70;  // dialog units, at the least
// Room between a button's text and its edge, each side: its 3D edge and this.
constexpr int kButtonTextMargin = 4;  // dialog units
constexpr std::size_t kButtonTextLength = 64;

// A control's text as it is drawn: "&&" is "&", another "&" marks the
// mnemonic and takes no room. Shift-JIS has no "&" among its trail bytes.
std::string DrawnText(HWND control)
{
    char text[kButtonTextLength] = {};
    GetWindowTextA(control, text, static_cast<int>(sizeof text));
    std::string drawn;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at == '&' && *++at == '\0') break;
        drawn += *at;
    }
    return drawn;
}

// The width of the column of buttons: the template's, or wider where a text
// in the window's font needs more. The font is whatever face stands in for
// MS UI Gothic: under Wine with IPAGothic, 「アップロード(U) →」 takes 108
// pixels at 96 DPI and 162 at 144, where 70 dialog units are 105 and 158.
int MiddleButtonsWidth(HWND window, const Units& u)
{
    int width = u.X(kMiddleButtonsWidth);
    HDC dc = GetDC(window);
    if (dc == nullptr) return width;
    HGDIOBJ saved = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    int edges = 2 * (GetSystemMetrics(SM_CXEDGE) + u.X(kButtonTextMargin));
    for (int id : kMiddleButtons) {
        std::string text = DrawnText(GetDlgItem(window, id));
        SIZE size{};
        if (GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size)) {
            width = std::max<int>(width, size.cx + edges);
        }
    }
    SelectObject(dc, saved);
    ReleaseDC(window, dc);
    return width;
}

}  // namespace

void LayOutClient(HWND window)
{
    Units u{{0, 0, 100, 100}};
    MapDialogRect(window, &u.hundred);
    RECT client;
    GetClientRect(window, &client);
    int width = client.right;
    int height = client.bottom;
    int margin = u.X(5);
    int buttons_width = MiddleButtonsWidth(window, u);
    int pane_width = (width - 4 * margin - buttons_width) / 2;
    int buttons_x = margin + pane_width + margin;
    int right_x = buttons_x + buttons_width + margin;
    int label_width = u.X(52);
    int path_offset = u.X(53);
    int line = u.Y(10);
    int pane_top = u.Y(29);
    int pane_height = height - pane_top - u.Y(55);
    int small_button_width = u.X(60);
    int button_height = u.Y(14);

    struct Place {
        int id, x, y, cx, cy;
    };
    const Place places[] = {
        {IDC_SERVER_LABEL, margin, u.Y(4), width - 2 * margin, line},
        {IDC_LOCAL_LABEL, margin, u.Y(17), label_width, line},
        {IDC_LOCAL_PATH, margin + path_offset, u.Y(17), pane_width - path_offset, line},
        {IDC_LOCAL_LIST, margin, pane_top, pane_width, pane_height},
        {IDC_REMOTE_LABEL, right_x, u.Y(17), label_width, line},
        {IDC_REMOTE_PATH, right_x + path_offset, u.Y(17), pane_width - path_offset, line},
        {IDC_REMOTE_LIST, right_x, pane_top, pane_width, pane_height},
        {IDC_UPLOAD, buttons_x, u.Y(70), buttons_width, button_height},
        {IDC_DOWNLOAD, buttons_x, u.Y(90), buttons_width, button_height},
        {IDC_DELETE, buttons_x, u.Y(120), buttons_width, button_height},
        {IDC_REFRESH, buttons_x, u.Y(140), buttons_width, button_height},
        {IDC_PROGRESS, margin, height - u.Y(49), width - 4 * margin - small_button_width, line},
        {IDC_STOP, width - margin - small_button_width, height - u.Y(51), small_button_width, button_height},
        {IDC_STATUS, margin, height - u.Y(33), width - 2 * margin, line},
        {IDCANCEL, width - margin - small_button_width, height - u.Y(18), small_button_width, button_height},
    };
    HDWP positions = BeginDeferWindowPos(static_cast<int>(sizeof places / sizeof places[0]));
    for (const Place& place : places) {
        HWND control = GetDlgItem(window, place.id);
        if (positions != nullptr && control != nullptr) {
            positions = DeferWindowPos(positions, control, nullptr, place.x, place.y, place.cx, place.cy,
                                       SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (positions != nullptr) EndDeferWindowPos(positions);
}

bool RestoreWindowPlace(HWND window, const std::string& settings_path, SIZE minimum)
{
    if (settings_path.empty()) return false;
    const char* file = settings_path.c_str();
    int width = ReadProfileInt(kSection, "Width", 0, file);
    int height = ReadProfileInt(kSection, "Height", 0, file);
    if (width <= 0 || height <= 0) return false;
    RECT place;
    place.left = ReadProfileInt(kSection, "Left", 0, file);
    place.top = ReadProfileInt(kSection, "Top", 0, file);
    place.right = place.left + (width > minimum.cx ? width : minimum.cx);
    place.bottom = place.top + (height > minimum.cy ? height : minimum.cy);
    // A screen that was there when the place was saved may be gone.
    if (MonitorFromRect(&place, MONITOR_DEFAULTTONULL) == nullptr) return false;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    placement.rcNormalPosition = place;
    placement.showCmd = SW_HIDE;
    SetWindowPlacement(window, &placement);
    return ReadProfileInt(kSection, "Maximized", 0, file) == 1;
}

bool SaveWindowPlace(HWND window, const std::string& settings_path)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (settings_path.empty() || !GetWindowPlacement(window, &placement)) return false;
    const RECT& place = placement.rcNormalPosition;
    const char* file = settings_path.c_str();
    // Minimised from maximised, it comes back maximised: Windows keeps that
    // in the placement's flags (WPF_RESTORETOMAXIMIZED), and so do we.
    bool maximized = IsZoomed(window) ||
                     (IsIconic(window) && (placement.flags & WPF_RESTORETOMAXIMIZED) != 0);
    return WriteProfileText(kSection, "Left", std::to_string(place.left).c_str(), file) &&
           WriteProfileText(kSection, "Top", std::to_string(place.top).c_str(), file) &&
           WriteProfileText(kSection, "Width", std::to_string(place.right - place.left).c_str(), file) &&
           WriteProfileText(kSection, "Height", std::to_string(place.bottom - place.top).c_str(), file) &&
           WriteProfileText(kSection, "Maximized", maximized ? "1" : "0", file);
}
