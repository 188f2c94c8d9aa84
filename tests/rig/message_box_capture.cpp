#include "tests/rig/message_box_capture.h"

#include <algorithm>
#include <cstring>

// Wine's message box template: the icon is static 1088, the text static
// 0xFFFF (measured under Wine 8.0). Program dialogs have a menu and no
// such pair.
namespace {

constexpr int kBoxIconId = 1088;
constexpr int kBoxTextId = 0xFFFF;

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

MessageBoxIcon IconKind(HICON icon)
{
    if (icon == nullptr) return MessageBoxIcon::kNone;
    if (icon == LoadIcon(nullptr, IDI_ERROR)) return MessageBoxIcon::kError;
    if (icon == LoadIcon(nullptr, IDI_INFORMATION)) return MessageBoxIcon::kInformation;
    if (icon == LoadIcon(nullptr, IDI_WARNING)) return MessageBoxIcon::kWarning;
    if (icon == LoadIcon(nullptr, IDI_QUESTION)) return MessageBoxIcon::kQuestion;
    return MessageBoxIcon::kOther;
}

}  // namespace

const char* MessageBoxIconName(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::kNone: return "none";
    case MessageBoxIcon::kError: return "error";
    case MessageBoxIcon::kInformation: return "information";
    case MessageBoxIcon::kWarning: return "warning";
    case MessageBoxIcon::kQuestion: return "question";
    case MessageBoxIcon::kOther: return "other";
    }
    return "?";
}

CapturedWindow DescribeDialogWindow(HWND window)
{
    CapturedWindow seen;
    seen.caption = TextOf(window);
    HWND text = GetDlgItem(window, kBoxTextId);
    HWND icon = GetDlgItem(window, kBoxIconId);
    seen.is_message_box = GetMenu(window) == nullptr && text != nullptr && icon != nullptr &&
                          ClassOf(text) == "Static" && ClassOf(icon) == "Static";
    if (seen.is_message_box) {
        seen.text = TextOf(text);
        seen.icon = IconKind(reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)));
    }
    return seen;
}

int DefaultButtonId(HWND dialog)
{
    // DM_GETDEFID is no help: Wine's message box answers 1 whatever its
    // default button is. The default button carries BS_DEFPUSHBUTTON.
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != "Button") continue;
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return GetDlgCtrlID(child);
    }
    return IDOK;
}

// One per thread: the hook, the stack of live captures, the windows seen.
struct CaptureThreadState {
    HHOOK hook = nullptr;
    std::vector<MessageBoxCapture*> captures;
    std::vector<HWND> pending;  // activated, not handled yet
    std::vector<HWND> handled;  // handled, not destroyed yet

    static LRESULT CALLBACK CbtProc(int code, WPARAM wparam, LPARAM lparam);
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
};

namespace {

thread_local CaptureThreadState t_state;

bool Contains(const std::vector<HWND>& list, HWND window)
{
    return std::find(list.begin(), list.end(), window) != list.end();
}

void Remove(std::vector<HWND>& list, HWND window)
{
    list.erase(std::remove(list.begin(), list.end(), window), list.end());
}

}  // namespace

// The box or dialog is being activated, inside ShowWindow: too early to
// end it. A thread timer runs once the modal loop takes messages, and
// modal loops dispatch thread timers too.
LRESULT CALLBACK CaptureThreadState::CbtProc(int code, WPARAM wparam, LPARAM lparam)
{
    HWND window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && ClassOf(window) == "#32770" && !Contains(t_state.pending, window) &&
        !Contains(t_state.handled, window)) {
        t_state.pending.push_back(window);
        SetTimer(nullptr, 0, 0, TimerProc);
    } else if (code == HCBT_DESTROYWND) {
        Remove(t_state.pending, window);
        Remove(t_state.handled, window);
    }
    return CallNextHookEx(t_state.hook, code, wparam, lparam);
}

void CALLBACK CaptureThreadState::TimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    while (!t_state.pending.empty()) {
        HWND window = t_state.pending.front();
        t_state.pending.erase(t_state.pending.begin());
        if (!IsWindow(window) || t_state.captures.empty()) continue;
        t_state.handled.push_back(window);
        t_state.captures.back()->Handle(window);
    }
}

MessageBoxCapture::MessageBoxCapture()
{
    if (t_state.captures.empty()) {
        t_state.hook = SetWindowsHookExA(WH_CBT, CaptureThreadState::CbtProc, nullptr, GetCurrentThreadId());
    }
    t_state.captures.push_back(this);
}

MessageBoxCapture::~MessageBoxCapture()
{
    t_state.captures.erase(std::remove(t_state.captures.begin(), t_state.captures.end(), this),
                           t_state.captures.end());
    if (t_state.captures.empty() && t_state.hook != nullptr) {
        UnhookWindowsHookEx(t_state.hook);
        t_state.hook = nullptr;
        t_state.pending.clear();
        t_state.handled.clear();
    }
}

void MessageBoxCapture::Clear()
{
    boxes_.clear();
    dialogs_.clear();
}

void MessageBoxCapture::Handle(HWND window)
{
    CapturedWindow seen = DescribeDialogWindow(window);
    if (seen.is_message_box) {
        seen.pressed = answer_ != 0 ? answer_ : DefaultButtonId(window);
        boxes_.push_back(seen);
        Seen(seen);
        HWND button = GetDlgItem(window, seen.pressed);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(seen.pressed, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return;
    }
    dialogs_.push_back(seen);
    Seen(seen);
    if (dialog_action_) dialog_action_(window, seen);
    if (IsWindow(window)) SendMessageA(window, WM_CLOSE, 0, 0);
}
