#include "tests/rig/driver/remote_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

bool SendWithTimeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result)
{
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                       kSendTimeoutMs, &answer);
    if (result != nullptr) *result = static_cast<LRESULT>(answer);
    return sent != 0;
}

std::wstring ClassName(HWND window)
{
    wchar_t name[256] = {};
    int length = GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<std::size_t>(std::max(length, 0)));
}

std::wstring WindowText(HWND window)
{
    LRESULT length = 0;
    if (!SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) return L"";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT got = 0;
    if (!SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &got)) return L"";
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, length)));
    return text;
}

namespace {

std::vector<std::wstring> ReadItems(HWND control, UINT count_message, UINT length_message, UINT text_message,
                                    bool* ok)
{
    std::vector<std::wstring> items;
    LRESULT count = 0;
    *ok = SendWithTimeout(control, count_message, 0, 0, &count) && count >= 0;
    for (LRESULT i = 0; *ok && i < count; ++i) {
        LRESULT length = 0;
        if (!SendWithTimeout(control, length_message, static_cast<WPARAM>(i), 0, &length) || length < 0) {
            *ok = false;
            break;
        }
        // Room for the text in any form the target answers in, and more.
        std::wstring text(static_cast<std::size_t>(length) * 2 + 2, L'\0');
        LRESULT got = 0;
        if (!SendWithTimeout(control, text_message, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()),
                             &got) ||
            got < 0) {
            *ok = false;
            break;
        }
        text.resize(std::min<std::size_t>(static_cast<std::size_t>(got), text.size()));
        items.push_back(text);
    }
    return items;
}

}  // namespace

std::vector<std::wstring> ListBoxLines(HWND list_box, bool* ok)
{
    return ReadItems(list_box, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, ok);
}

std::vector<std::wstring> ComboBoxItems(HWND combo_box, bool* ok)
{
    return ReadItems(combo_box, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, ok);
}

std::vector<int> StatusBarEdges(HWND status_bar)
{
    constexpr int kMaxParts = 16;
    std::vector<int> edges;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 ProcessOf(status_bar));
    if (process == nullptr) return edges;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(int) * kMaxParts, MEM_COMMIT, PAGE_READWRITE);
    LRESULT count = 0;
    if (remote != nullptr &&
        SendWithTimeout(status_bar, SB_GETPARTS, kMaxParts, reinterpret_cast<LPARAM>(remote), &count) && count > 0 &&
        count <= kMaxParts) {
        edges.resize(static_cast<std::size_t>(count));
        if (!ReadProcessMemory(process, remote, edges.data(), sizeof(int) * edges.size(), nullptr)) edges.clear();
    }
    if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return edges;
}

namespace {

// A block of the target process's memory for one structure and a text buffer.
class RemoteBlock {
public:
    RemoteBlock(HWND window, std::size_t size) : size_(size)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_ != nullptr) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBlock()
    {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_ != nullptr) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    bool ok() const { return address_ != nullptr; }
    char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(const void* data, std::size_t size) const
    {
        return WriteProcessMemory(process_, address_, data, size, nullptr) != 0;
    }
    bool Read(std::size_t offset, void* out, std::size_t size) const
    {
        return offset + size <= size_ && ReadProcessMemory(process_, at(offset), out, size, nullptr) != 0;
    }

private:
    std::size_t size_;
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

constexpr std::size_t kTextChars = 1024;
constexpr std::size_t kTextOffset = 256;  // after the structure

std::wstring RemoteText(const RemoteBlock& block)
{
    std::wstring text(kTextChars, L'\0');
    if (!block.Read(kTextOffset, text.data(), kTextChars * sizeof(wchar_t))) return L"";
    text.resize(std::min(text.find(L'\0'), kTextChars));
    return text;
}

}  // namespace

ListViewContent ReadListView(HWND list_view, bool* ok)
{
    ListViewContent content;
    RemoteBlock block(list_view, kTextOffset + kTextChars * sizeof(wchar_t));
    *ok = block.ok();
    LRESULT header = 0;
    LRESULT columns = 0;
    *ok = *ok && SendWithTimeout(list_view, LVM_GETHEADER, 0, 0, &header) && header != 0 &&
          SendWithTimeout(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &columns) && columns >= 0;
    for (LRESULT column = 0; *ok && column < columns; ++column) {
        LVCOLUMNW asked{};
        asked.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        asked.pszText = reinterpret_cast<wchar_t*>(block.at(kTextOffset));
        asked.cchTextMax = kTextChars;
        LRESULT got = 0;
        *ok = block.Write(&asked, sizeof asked) &&
              SendWithTimeout(list_view, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                              reinterpret_cast<LPARAM>(block.at(0)), &got) &&
              got != 0 && block.Read(0, &asked, sizeof asked);
        if (*ok) content.columns.push_back({RemoteText(block), asked.fmt & LVCFMT_JUSTIFYMASK, asked.cx});
    }
    LRESULT count = 0;
    *ok = *ok && SendWithTimeout(list_view, LVM_GETITEMCOUNT, 0, 0, &count) && count >= 0;
    for (LRESULT item = 0; *ok && item < count; ++item) {
        std::vector<std::wstring> cells;
        for (LRESULT column = 0; *ok && column < columns; ++column) {
            LVITEMW asked{};
            asked.iSubItem = static_cast<int>(column);
            asked.pszText = reinterpret_cast<wchar_t*>(block.at(kTextOffset));
            asked.cchTextMax = kTextChars;
            LRESULT length = 0;
            *ok = block.Write(&asked, sizeof asked) &&
                  SendWithTimeout(list_view, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                                  reinterpret_cast<LPARAM>(block.at(0)), &length);
            if (*ok) cells.push_back(RemoteText(block));
        }
        LRESULT state = 0;
        *ok = *ok && SendWithTimeout(list_view, LVM_GETITEMSTATE, static_cast<WPARAM>(item),
                                     LVIS_SELECTED | LVIS_FOCUSED, &state);
        if ((state & LVIS_SELECTED) != 0) content.selected.push_back(static_cast<int>(item));
        if ((state & LVIS_FOCUSED) != 0) content.focused = static_cast<int>(item);
        content.rows.push_back(cells);
        RECT bounds{LVIR_BOUNDS, 0, 0, 0};
        *ok = *ok && block.Write(&bounds, sizeof bounds) &&
              SendWithTimeout(list_view, LVM_GETITEMRECT, static_cast<WPARAM>(item),
                              reinterpret_cast<LPARAM>(block.at(0))) &&
              block.Read(0, &bounds, sizeof bounds);
        MapWindowPoints(list_view, nullptr, reinterpret_cast<POINT*>(&bounds), 2);
        content.item_rects.push_back(bounds);
    }
    return content;
}

DWORD ProcessOf(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

namespace {

struct Collect {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* collect = reinterpret_cast<Collect*>(param);
    if (collect->pid == 0 || ProcessOf(window) == collect->pid) collect->windows.push_back(window);
    return TRUE;
}

// The four standard icons. A message box of another process shows its own
// copies (measured under Wine: the handles differ from this process's, and
// GetIconInfo does not work on them), so the kind is told by the picture:
// the icon static's pixels on the screen are compared with each standard
// icon drawn here on the same background, and the closest one wins.
struct StandardIcon {
    const char* name;
    LPCSTR id;
};
const StandardIcon kStandardIcons[] = {
    {"error", IDI_ERROR}, {"information", IDI_INFORMATION}, {"warning", IDI_WARNING}, {"question", IDI_QUESTION}};

// Pixels of a width x height area, 32-bit BGRX, from a DC.
std::vector<DWORD> Grab(HDC source, int x, int y, int width, int height)
{
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

// The standard icon drawn on a background of one colour.
std::vector<DWORD> Reference(LPCSTR id, DWORD background, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(RGB(background >> 16 & 0xFF, background >> 8 & 0xFF, background & 0xFF));
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, LoadIconA(nullptr, id), width, height, 0, nullptr, DI_NORMAL);
    std::vector<DWORD> pixels = Grab(memory, 0, 0, width, height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

long long Distance(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    long long sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            sum += std::abs(static_cast<int>(a[i] >> shift & 0xFF) - static_cast<int>(b[i] >> shift & 0xFF));
        }
    }
    return sum;
}

std::string IconKindNow(HWND icon_static)
{
    int width = GetSystemMetrics(SM_CXICON);
    int height = GetSystemMetrics(SM_CYICON);
    POINT origin = {0, 0};
    ClientToScreen(icon_static, &origin);
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> shown = Grab(screen, origin.x, origin.y, width, height);
    ReleaseDC(nullptr, screen);

    std::string best = "other";
    long long best_distance = -1;
    for (const StandardIcon& standard : kStandardIcons) {
        long long distance = Distance(shown, Reference(standard.id, shown[0], width, height));
        if (best_distance < 0 || distance < best_distance) {
            best_distance = distance;
            best = standard.name;
        }
    }
    // Far from all four (e.g. a covered or unpainted box): say so rather than guess.
    long long limit = static_cast<long long>(width) * height * 3 * 255 / 10;
    return best_distance <= limit ? best : "other";
}

std::string IconKind(HWND icon_static, HICON icon)
{
    if (icon == nullptr) return "none";
    // With unmanaged windows (see wine-prefix.sh) Wine can leave a box that
    // opened while its owner was being shown below the owner on the X
    // screen: raise it first, or the owner's pixels are compared.
    SetWindowPos(GetAncestor(icon_static, GA_ROOT), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    Sleep(100);
    // A box that has just appeared may not be painted yet.
    std::string kind = IconKindNow(icon_static);
    for (int attempt = 0; kind == "other" && attempt < 20; ++attempt) {
        Sleep(50);
        kind = IconKindNow(icon_static);
    }
    return kind;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid)
{
    Collect collect{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&collect));
    return collect.windows;
}

DialogInfo DescribeDialog(HWND dialog)
{
    DialogInfo info;
    info.caption = WindowText(dialog);
    HWND text = GetDlgItem(dialog, 0xFFFF);
    HWND icon = GetDlgItem(dialog, 1088);
    info.is_message_box = GetMenu(dialog) == nullptr && text != nullptr && icon != nullptr &&
                          ClassName(text) == L"Static" && ClassName(icon) == L"Static";
    if (info.is_message_box) {
        info.text = WindowText(text);
        LRESULT handle = 0;
        SendWithTimeout(icon, STM_GETICON, 0, 0, &handle);
        info.icon = IconKind(icon, reinterpret_cast<HICON>(handle));
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) != L"Button") continue;
        LONG style = GetWindowLongW(child, GWL_STYLE);
        LONG type = style & BS_TYPEMASK;
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) continue;
        info.buttons.push_back({GetDlgCtrlID(child), WindowText(child), type == BS_DEFPUSHBUTTON});
    }
    return info;
}

int DefaultButton(const DialogInfo& info)
{
    for (const DialogButton& button : info.buttons) {
        if (button.is_default) return button.id;
    }
    return info.buttons.empty() ? 0 : info.buttons.front().id;
}
