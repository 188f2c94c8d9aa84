// vdriver.exe: the end-to-end tests' hands inside Wine. Each call does one
// thing to another process's windows and prints one JSON object on stdout:
// {"ok": true, ...} with exit code 0, or {"ok": false, "error": "..."} with
// exit code 1 (not found, time-out, target did not answer) or 2 (usage).
// Texts are JSON strings (\u escapes) plus, where they come from the
// program, "..._hex": their code page 932 bytes.
//
//   find      --class C [--title T] [--pid P] [--timeout MS]   wait for a top-level window
//   windows   [--pid P]                                         list top-level windows
//   listbox   --hwnd H --id N                                   lines of a list box
//   combo     --hwnd H --id N                                   edit text, selection, items
//   listview  --hwnd H --id N                                   columns, rows, selection, row rectangles of a list view
//   focus     --hwnd H                                          the control that has the keyboard focus
//   text      --hwnd H [--id N]                                 WM_GETTEXT
//   rect      --hwnd H [--id N]                                 rectangles and state
//   screen                                                      screen size, foreground window
//   cursor                                                      the handle of the cursor shown
//   command   --hwnd H --id N [--code C] [--send]               WM_COMMAND (posted by default)
//   settext   --hwnd H --id N (--text T | --hex BYTES)          WM_SETTEXT
//   move      --hwnd H --x X --y Y --width W --height H         SetWindowPos
//   show      --hwnd H --cmd N                                  ShowWindowAsync (6 minimise, 9 restore)
//   close     --hwnd H                                          post WM_CLOSE
//   ping      --hwnd H [--timeout MS]                           WM_NULL by SendMessageTimeout, and how long it took
//   message   --hwnd H --msg N [--wparam W] [--lparam L] [--timeout MS]  SendMessageTimeout; its result and time
//   dialogs   --pid P                                           "#32770" windows of a process
//   answer    --pid P [--button ID | --close] [--timeout MS]    wait for one, report it, end it
//   kill      --pid P [--code N]                                TerminateProcess
//   counts    --pid P                                           handles, GDI objects, windows, memory
//   layout    --hwnd H --face F --points N                      child controls: rectangles, texts and their
//                                                               size in font F of N points at the system DPI
//   manifest  --path P                                          the RT_MANIFEST resources of an executable
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "tests/rig/driver/json_out.h"
#include "tests/rig/driver/process_counts.h"
#include "tests/rig/driver/remote_window.h"

namespace {

using Options = std::map<std::wstring, std::wstring>;

int Print(const JsonObject& object, int code)
{
    std::string line = object.Str() + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    return code;
}

int Fail(const std::string& error, int code = 1)
{
    return Print(JsonObject().Bool("ok", false).Ascii("error", error), code);
}

struct UsageError {
    std::string what;
};

bool Has(const Options& options, const wchar_t* name) { return options.count(name) != 0; }

long long Number(const Options& options, const wchar_t* name, long long fallback, bool required = false)
{
    auto found = options.find(name);
    if (found == options.end()) {
        if (required) throw UsageError{"missing --" + std::string(name, name + wcslen(name))};
        return fallback;
    }
    wchar_t* end = nullptr;
    long long value = std::wcstoll(found->second.c_str(), &end, 0);
    if (end == found->second.c_str() || *end != L'\0') throw UsageError{"not a number: --" + std::string(name, name + wcslen(name))};
    return value;
}

std::wstring Text(const Options& options, const wchar_t* name)
{
    auto found = options.find(name);
    return found == options.end() ? L"" : found->second;
}

// The window of --hwnd, or its child --id when given.
HWND Target(const Options& options, std::string* error)
{
    HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(Number(options, L"hwnd", 0, true)));
    if (!IsWindow(window)) {
        *error = "no such window " + HandleText(window);
        return nullptr;
    }
    if (!Has(options, L"id")) return window;
    HWND child = GetDlgItem(window, static_cast<int>(Number(options, L"id", 0)));
    if (child == nullptr) *error = "window " + HandleText(window) + " has no control " + std::to_string(Number(options, L"id", 0));
    return child;
}

std::string RectJson(const RECT& rect)
{
    return "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom) + "]";
}

JsonObject WindowJson(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    std::wstring title = WindowText(window);
    return JsonObject()
        .Handle("hwnd", window)
        .Int("pid", ProcessOf(window))
        .Text("class", ClassName(window))
        .Text("title", title)
        .Ascii("title_hex", AnsiHex(title))
        .Bool("visible", IsWindowVisible(window) != FALSE)
        .Raw("rect", RectJson(rect))
        .Handle("owner", GetWindow(window, GW_OWNER));
}

std::string TextsJson(const std::vector<std::wstring>& texts, bool hex)
{
    std::string out = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) out += ",";
        out += hex ? JsonQuoteAscii(AnsiHex(texts[i])) : JsonQuote(texts[i]);
    }
    return out + "]";
}

std::string DialogJson(HWND dialog)
{
    DialogInfo info = DescribeDialog(dialog);
    std::string buttons = "[";
    for (std::size_t i = 0; i < info.buttons.size(); ++i) {
        const DialogButton& button = info.buttons[i];
        if (i > 0) buttons += ",";
        buttons += JsonObject()
                       .Int("id", button.id)
                       .Text("text", button.text)
                       .Bool("default", button.is_default)
                       .Str();
    }
    buttons += "]";
    return JsonObject()
        .Handle("hwnd", dialog)
        .Bool("message_box", info.is_message_box)
        .Text("caption", info.caption)
        .Ascii("caption_hex", AnsiHex(info.caption))
        .Text("text", info.text)
        .Ascii("text_hex", AnsiHex(info.text))
        .Ascii("icon", info.icon)
        .Raw("buttons", buttons)
        .Str();
}

std::vector<HWND> DialogsOf(DWORD pid)
{
    std::vector<HWND> dialogs;
    for (HWND window : TopLevelWindows(pid)) {
        if (ClassName(window) == L"#32770" && IsWindowVisible(window)) dialogs.push_back(window);
    }
    return dialogs;
}

int Find(const Options& options)
{
    std::wstring class_name = Text(options, L"class");
    if (class_name.empty()) throw UsageError{"missing --class"};
    DWORD pid = static_cast<DWORD>(Number(options, L"pid", 0));
    DWORD deadline = GetTickCount() + static_cast<DWORD>(Number(options, L"timeout", 10000));
    for (;;) {
        for (HWND window : TopLevelWindows(pid)) {
            if (ClassName(window) != class_name) continue;
            if (Has(options, L"title") && WindowText(window) != Text(options, L"title")) continue;
            return Print(WindowJson(window).Bool("ok", true), 0);
        }
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return Fail("no window of class found in time");
        Sleep(50);
    }
}

int Windows(const Options& options)
{
    std::string list = "[";
    bool first = true;
    for (HWND window : TopLevelWindows(static_cast<DWORD>(Number(options, L"pid", 0)))) {
        if (!first) list += ",";
        first = false;
        list += WindowJson(window).Str();
    }
    return Print(JsonObject().Bool("ok", true).Raw("windows", list + "]"), 0);
}

int ListBox(const Options& options)
{
    std::string error;
    HWND control = Target(options, &error);
    if (control == nullptr) return Fail(error);
    bool ok = false;
    std::vector<std::wstring> lines = ListBoxLines(control, &ok);
    if (!ok) return Fail("list box did not answer");
    LRESULT selected = -1;
    SendWithTimeout(control, LB_GETCURSEL, 0, 0, &selected);
    return Print(JsonObject()
                     .Bool("ok", true)
                     .Int("count", static_cast<long long>(lines.size()))
                     .Int("selected", selected)
                     .Raw("lines", TextsJson(lines, false))
                     .Raw("lines_hex", TextsJson(lines, true)),
                 0);
}

int ListView(const Options& options)
{
    std::string error;
    HWND control = Target(options, &error);
    if (control == nullptr) return Fail(error);
    bool ok = false;
    ListViewContent content = ReadListView(control, &ok);
    if (!ok) return Fail("list view did not answer");
    std::string columns = "[";
    for (std::size_t i = 0; i < content.columns.size(); ++i) {
        const ListViewColumn& column = content.columns[i];
        if (i > 0) columns += ",";
        const char* align = column.format == LVCFMT_RIGHT ? "right" : column.format == LVCFMT_CENTER ? "center" : "left";
        columns += JsonObject()
                       .Text("title", column.title)
                       .Ascii("title_hex", AnsiHex(column.title))
                       .Ascii("align", align)
                       .Int("width", column.width)
                       .Str();
    }
    std::string rows = "[";
    std::string rows_hex = "[";
    for (std::size_t i = 0; i < content.rows.size(); ++i) {
        if (i > 0) {
            rows += ",";
            rows_hex += ",";
        }
        rows += TextsJson(content.rows[i], false);
        rows_hex += TextsJson(content.rows[i], true);
    }
    std::string item_rects = "[";
    for (std::size_t i = 0; i < content.item_rects.size(); ++i) {
        item_rects += (i > 0 ? "," : "") + RectJson(content.item_rects[i]);
    }
    std::string selected = "[";
    for (std::size_t i = 0; i < content.selected.size(); ++i) {
        selected += (i > 0 ? "," : "") + std::to_string(content.selected[i]);
    }
    return Print(JsonObject()
                     .Bool("ok", true)
                     .Raw("columns", columns + "]")
                     .Raw("rows", rows + "]")
                     .Raw("rows_hex", rows_hex + "]")
                     .Raw("selected", selected + "]")
                     .Int("focused", content.focused)
                     .Raw("item_rects", item_rects + "]"),
                 0);
}

int Focus(const Options& options)
{
    std::string error;
    HWND window = Target(options, &error);
    if (window == nullptr) return Fail(error);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return Fail("GetGUIThreadInfo failed");
    return Print(JsonObject()
                     .Bool("ok", true)
                     .Handle("focus", info.hwndFocus)
                     .Int("id", info.hwndFocus != nullptr ? GetDlgCtrlID(info.hwndFocus) : 0),
                 0);
}

int Move(const Options& options)
{
    std::string error;
    HWND window = Target(options, &error);
    if (window == nullptr) return Fail(error);
    if (!SetWindowPos(window, nullptr, static_cast<int>(Number(options, L"x", 0, true)),
                      static_cast<int>(Number(options, L"y", 0, true)), static_cast<int>(Number(options, L"width", 0, true)),
                      static_cast<int>(Number(options, L"height", 0, true)), SWP_NOZORDER | SWP_NOACTIVATE)) {
        return Fail("SetWindowPos failed");
    }
    return Print(JsonObject().Bool("ok", true), 0);
}

int Combo(const Options& options)
{
    std::string error;
    HWND control = Target(options, &error);
    if (control == nullptr) return Fail(error);
    bool ok = false;
    std::vector<std::wstring> items = ComboBoxItems(control, &ok);
    if (!ok) return Fail("combo box did not answer");
    LRESULT selected = -1;
    SendWithTimeout(control, CB_GETCURSEL, 0, 0, &selected);
    std::wstring text = WindowText(control);
    return Print(JsonObject()
                     .Bool("ok", true)
                     .Text("text", text)
                     .Ascii("text_hex", AnsiHex(text))
                     .Int("selected", selected)
                     .Raw("items", TextsJson(items, false))
                     .Raw("items_hex", TextsJson(items, true)),
                 0);
}

int GetText(const Options& options)
{
    std::string error;
    HWND control = Target(options, &error);
    if (control == nullptr) return Fail(error);
    std::wstring text = WindowText(control);
    return Print(JsonObject().Bool("ok", true).Text("text", text).Ascii("text_hex", AnsiHex(text)), 0);
}

int Rect(const Options& options)
{
    std::string error;
    HWND window = Target(options, &error);
    if (window == nullptr) return Fail(error);
    RECT rect = {};
    RECT client = {};
    GetWindowRect(window, &rect);
    GetClientRect(window, &client);
    return Print(JsonObject()
                     .Bool("ok", true)
                     .Raw("rect", RectJson(rect))
                     .Raw("client", RectJson(client))
                     .Bool("visible", IsWindowVisible(window) != FALSE)
                     .Bool("iconic", IsIconic(window) != FALSE)
                     .Bool("enabled", IsWindowEnabled(window) != FALSE)
                     .Bool("foreground", GetForegroundWindow() == window)
                     .Int("screen_width", GetSystemMetrics(SM_CXSCREEN))
                     .Int("screen_height", GetSystemMetrics(SM_CYSCREEN)),
                 0);
}

int Screen()
{
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return Print(JsonObject()
                     .Bool("ok", true)
                     .Int("width", GetSystemMetrics(SM_CXSCREEN))
                     .Int("height", GetSystemMetrics(SM_CYSCREEN))
                     .Raw("work_area", RectJson(work))
                     .Handle("foreground", GetForegroundWindow()),
                 0);
}

// The cursor the screen shows, whichever program set it. Only its handle:
// under Wine another process's cursor handle never equals this process's
// LoadCursor of the same cursor, and GetIconInfo of it fails (measured), so
// a test can only tell cursors apart, not name them.
int Cursor()
{
    CURSORINFO info{};
    info.cbSize = sizeof info;
    if (!GetCursorInfo(&info)) return Fail("GetCursorInfo failed");
    return Print(JsonObject().Bool("ok", true).Handle("handle", reinterpret_cast<HWND>(info.hCursor)), 0);
}

int Command(const Options& options)
{
    std::string error;
    HWND window = Target(Options{{L"hwnd", Text(options, L"hwnd")}}, &error);
    if (window == nullptr) return Fail(error);
    int id = static_cast<int>(Number(options, L"id", 0, true));
    int code = static_cast<int>(Number(options, L"code", 0));
    WPARAM wparam = MAKEWPARAM(id, code);
    LPARAM control = reinterpret_cast<LPARAM>(GetDlgItem(window, id));
    if (Has(options, L"send")) {
        LRESULT result = 0;
        if (!SendWithTimeout(window, WM_COMMAND, wparam, control, &result)) return Fail("WM_COMMAND not answered in time");
        return Print(JsonObject().Bool("ok", true).Int("result", result), 0);
    }
    if (!PostMessageW(window, WM_COMMAND, wparam, control)) return Fail("PostMessage failed");
    return Print(JsonObject().Bool("ok", true), 0);
}

int SetText(const Options& options)
{
    std::string error;
    HWND control = Target(options, &error);
    if (control == nullptr) return Fail(error);
    std::wstring text = Text(options, L"text");
    if (Has(options, L"hex")) {
        std::wstring hex = Text(options, L"hex");
        std::string bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes += static_cast<char>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16));
        }
        int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        text.assign(static_cast<std::size_t>(size), L'\0');
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    }
    LRESULT result = 0;
    if (!SendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &result)) {
        return Fail("WM_SETTEXT not answered in time");
    }
    return Print(JsonObject().Bool("ok", result != 0), result != 0 ? 0 : 1);
}

int Show(const Options& options)
{
    std::string error;
    HWND window = Target(options, &error);
    if (window == nullptr) return Fail(error);
    ShowWindowAsync(window, static_cast<int>(Number(options, L"cmd", 0, true)));
    return Print(JsonObject().Bool("ok", true), 0);
}

int Close(const Options& options)
{
    std::string error;
    HWND window = Target(options, &error);
    if (window == nullptr) return Fail(error);
    if (!PostMessageW(window, WM_CLOSE, 0, 0)) return Fail("PostMessage failed");
    return Print(JsonObject().Bool("ok", true), 0);
}

// SendMessageTimeout, as the shell asks whether a window still answers:
// false when it did not within timeout_ms.
bool SendWithin(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT timeout_ms, DWORD_PTR& result,
                ULONGLONG& took_ms)
{
    ULONGLONG sent = GetTickCount64();
    bool answered = SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, timeout_ms, &result) != 0;
    took_ms = GetTickCount64() - sent;
    return answered;
}

// WM_NULL: "ok" whether it answered within --timeout ms (default 1000),
// "ms" how long the answer took.
int Ping(const Options& options)
{
    std::string error;
    HWND window = Target(options, &error);
    if (window == nullptr) return Fail(error);
    DWORD_PTR result = 0;
    ULONGLONG took = 0;
    bool answered = SendWithin(window, WM_NULL, 0, 0, static_cast<UINT>(Number(options, L"timeout", 1000)), result, took);
    return Print(JsonObject().Bool("ok", answered).Int("ms", static_cast<long long>(took)), 0);
}

// Any message, such as those Windows sends at shutdown: its result and time;
// a failure when it was not answered within --timeout ms (default 5000).
int Message(const Options& options)
{
    std::string error;
    HWND window = Target(options, &error);
    if (window == nullptr) return Fail(error);
    DWORD_PTR result = 0;
    ULONGLONG took = 0;
    if (!SendWithin(window, static_cast<UINT>(Number(options, L"msg", 0, true)),
                    static_cast<WPARAM>(Number(options, L"wparam", 0)), static_cast<LPARAM>(Number(options, L"lparam", 0)),
                    static_cast<UINT>(Number(options, L"timeout", 5000)), result, took))
        return Fail("the window did not answer in time");
    return Print(JsonObject().Bool("ok", true).Int("result", static_cast<long long>(result))
                     .Int("ms", static_cast<long long>(took)), 0);
}

int Dialogs(const Options& options)
{
    std::string list = "[";
    bool first = true;
    for (HWND dialog : DialogsOf(static_cast<DWORD>(Number(options, L"pid", 0, true)))) {
        if (!first) list += ",";
        first = false;
        list += DialogJson(dialog);
    }
    return Print(JsonObject().Bool("ok", true).Raw("dialogs", list + "]"), 0);
}

// A message box is filled in (caption, text, icon) by its WM_INITDIALOG. It
// was seen once under Wine 8 visible before that: no text and no icon, and
// the test read it so. A box that is one is read once its text is there
// (every box of ours has one), or after kFillMs as it is.
void WaitUntilMessageBoxFilled(HWND dialog)
{
    constexpr DWORD kFillMs = 2000;
    DWORD start = GetTickCount();
    for (;;) {
        HWND text = GetDlgItem(dialog, 0xFFFF);
        bool message_box = text != nullptr && GetDlgItem(dialog, 1088) != nullptr;
        if (!message_box || !WindowText(text).empty() || GetTickCount() - start >= kFillMs) return;
        Sleep(20);
    }
}

int Answer(const Options& options)
{
    DWORD pid = static_cast<DWORD>(Number(options, L"pid", 0, true));
    DWORD deadline = GetTickCount() + static_cast<DWORD>(Number(options, L"timeout", 10000));
    for (;;) {
        std::vector<HWND> dialogs = DialogsOf(pid);
        if (!dialogs.empty()) {
            HWND dialog = dialogs.front();
            WaitUntilMessageBoxFilled(dialog);
            std::string described = DialogJson(dialog);
            int pressed = 0;
            if (Has(options, L"close")) {
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            } else {
                pressed = static_cast<int>(Number(options, L"button", DefaultButton(DescribeDialog(dialog))));
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(pressed, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, pressed)));
            }
            return Print(JsonObject().Bool("ok", true).Raw("dialog", described).Int("pressed", pressed), 0);
        }
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return Fail("no dialog appeared in time");
        Sleep(50);
    }
}

int Kill(const Options& options)
{
    DWORD pid = static_cast<DWORD>(Number(options, L"pid", 0, true));
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return Fail("no such process " + std::to_string(pid));
    BOOL done = TerminateProcess(process, static_cast<UINT>(Number(options, L"code", 1)));
    if (done) WaitForSingleObject(process, kSendTimeoutMs);
    CloseHandle(process);
    return done ? Print(JsonObject().Bool("ok", true), 0) : Fail("TerminateProcess failed");
}

int Counts(const Options& options)
{
    std::string error;
    std::string counts = ProcessCountsJson(static_cast<DWORD>(Number(options, L"pid", 0, true)), &error);
    return counts.empty() ? Fail(error) : Print(JsonObject().Bool("ok", true).Raw("counts", counts), 0);
}

// Direct children only (not a combo box's edit), each with the size its text
// takes in the given font: the font a dialog template names, made as the
// dialog manager makes it (height -points * DPI / 72, its character set).
int Layout(const Options& options)
{
    std::string error;
    HWND window = Target(options, &error);
    if (window == nullptr) return Fail(error);
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    HFONT font = CreateFontW(-MulDiv(static_cast<int>(Number(options, L"points", 0, true)), dpi, 72), 0, 0, 0,
                             FW_DONTCARE, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, Text(options, L"face").c_str());
    HGDIOBJ saved = SelectObject(dc, font);
    std::string children = "[";
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring text = WindowText(child);
        SIZE size = {0, 0};
        if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        RECT rect = {};
        RECT client = {};
        GetWindowRect(child, &rect);
        GetClientRect(child, &client);
        std::wstring class_name = ClassName(child);
        JsonObject item;
        item.Int("id", GetDlgCtrlID(child))
            .Text("class", class_name)
            .Text("text", text)
            .Int("style", static_cast<long long>(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE))))
            .Bool("visible", IsWindowVisible(child) != FALSE)
            .Raw("rect", RectJson(rect))
            .Raw("client", RectJson(client))
            .Raw("text_size", "[" + std::to_string(size.cx) + "," + std::to_string(size.cy) + "]");
        if (_wcsicmp(class_name.c_str(), STATUSCLASSNAMEW) == 0) {
            std::string edges = "[";
            for (int edge : StatusBarEdges(child)) edges += (edges.size() > 1 ? "," : "") + std::to_string(edge);
            item.Raw("edges", edges + "]");
        }
        if (_wcsicmp(class_name.c_str(), L"ListBox") == 0) {
            LRESULT extent = 0;
            SendWithTimeout(child, LB_GETHORIZONTALEXTENT, 0, 0, &extent);
            item.Int("extent", extent);
        }
        children += (children.size() > 1 ? "," : "") + item.Str();
    }
    SelectObject(dc, saved);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    RECT client = {};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return Print(JsonObject()
                     .Bool("ok", true)
                     .Int("dpi", dpi)
                     .Raw("client", RectJson(client))
                     .Raw("children", children + "]"),
                 0);
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names)
{
    std::string text = IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<ULONG_PTR>(name)) : JsonQuote(name);
    std::string& list = *reinterpret_cast<std::string*>(names);
    list += (list.size() > 1 ? "," : "") + text;
    return TRUE;
}

// Found as the loader finds it: RT_MANIFEST resource 1 of the image.
int Manifest(const Options& options)
{
    HMODULE module = LoadLibraryExW(Text(options, L"path").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return Fail("cannot load " + std::to_string(GetLastError()));
    std::string names = "[";
    EnumResourceNamesW(module, MAKEINTRESOURCEW(24), CollectName, reinterpret_cast<LONG_PTR>(&names));
    std::string hex;
    if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        const unsigned char* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
        for (DWORD i = 0; data != nullptr && i < SizeofResource(module, found); ++i) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x", data[i]);
            hex += pair;
        }
    }
    FreeLibrary(module);
    return Print(JsonObject().Bool("ok", true).Raw("names", names + "]").Ascii("manifest_1_hex", hex), 0);
}

}  // namespace

int main()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) return Fail("usage: vdriver COMMAND [--option value]...", 2);
    std::wstring command = argv[1];
    Options options;
    for (int i = 2; i < argc; ++i) {
        std::wstring word = argv[i];
        if (word.rfind(L"--", 0) != 0) return Fail("unexpected argument", 2);
        bool has_value = i + 1 < argc && std::wstring(argv[i + 1]).rfind(L"--", 0) != 0;
        options[word.substr(2)] = has_value ? argv[++i] : L"";
    }
    LocalFree(argv);

    try {
        if (command == L"find") return Find(options);
        if (command == L"windows") return Windows(options);
        if (command == L"listbox") return ListBox(options);
        if (command == L"combo") return Combo(options);
        if (command == L"listview") return ListView(options);
        if (command == L"focus") return Focus(options);
        if (command == L"move") return Move(options);
        if (command == L"text") return GetText(options);
        if (command == L"rect") return Rect(options);
        if (command == L"screen") return Screen();
        if (command == L"cursor") return Cursor();
        if (command == L"command") return Command(options);
        if (command == L"settext") return SetText(options);
        if (command == L"show") return Show(options);
        if (command == L"close") return Close(options);
        if (command == L"ping") return Ping(options);
        if (command == L"message") return Message(options);
        if (command == L"dialogs") return Dialogs(options);
        if (command == L"answer") return Answer(options);
        if (command == L"kill") return Kill(options);
        if (command == L"counts") return Counts(options);
        if (command == L"layout") return Layout(options);
        if (command == L"manifest") return Manifest(options);
    } catch (const UsageError& usage) {
        return Fail(usage.what, 2);
    }
    return Fail("unknown command", 2);
}
