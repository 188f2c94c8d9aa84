#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Message boxes and modal dialogs in in-process tests under Wine.
//
// While a MessageBoxCapture is alive, every message box and every modal
// dialog ("#32770" window) that code under test opens on this thread is
// recorded and ended without blocking: a message box is answered with its
// default button (OK for the program's boxes), a dialog is first handed to
// the test's callback, if any, and then sent WM_CLOSE (the program's
// dialogs end with 16 on it; common dialogs treat it as Cancel).
//
//   MessageBoxCapture boxes;
//   PostText(owner, kError, "エラー：%s", "x");
//   ASSERT_EQ(boxes.Boxes().size(), 1u);
//   EXPECT_EQ(boxes.Boxes()[0].text, "エラー：x");     // Shift-JIS bytes
//   EXPECT_EQ(boxes.Boxes()[0].icon, MessageBoxIcon::kError);
//
//   MessageBoxCapture dialogs;
//   dialogs.OnDialog([](HWND dialog, const CapturedWindow& seen) {
//       SetDlgItemTextA(dialog, IDC_POSITION_X, "0.25");
//       SendMessageA(dialog, WM_COMMAND, IDM_SAVE, 0);    // may show boxes: recorded too
//   });
//   OpenInitialSettingsDialog(main_window);               // returns after the callback
//
// Captures nest (the innermost one records); destroy them in reverse order.
// Outside any capture the test main fails the running test for each box
// that appears, so a forgotten box never hangs a test.

enum class MessageBoxIcon { kNone, kError, kInformation, kWarning, kQuestion, kOther };

struct CapturedWindow {
    bool is_message_box = false;
    std::string caption;  // window text, Shift-JIS
    std::string text;     // message boxes: the message; dialogs: empty
    MessageBoxIcon icon = MessageBoxIcon::kNone;
    int pressed = 0;      // message boxes: id of the button pressed
};

const char* MessageBoxIconName(MessageBoxIcon icon);

class MessageBoxCapture {
public:
    using DialogAction = std::function<void(HWND dialog, const CapturedWindow& seen)>;

    MessageBoxCapture();
    virtual ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

    // Runs for each dialog (not message box) before it is closed.
    void OnDialog(DialogAction action) { dialog_action_ = std::move(action); }
    // Button to press in message boxes instead of the default one (e.g. IDNO).
    void AnswerBoxesWith(int button_id) { answer_ = button_id; }

    const std::vector<CapturedWindow>& Boxes() const { return boxes_; }
    const std::vector<CapturedWindow>& Dialogs() const { return dialogs_; }
    void Clear();

protected:
    // Called for each window before it is ended; the test main's guard
    // overrides it to fail the running test.
    virtual void Seen(const CapturedWindow&) {}

private:
    friend struct CaptureThreadState;
    void Handle(HWND window);

    DialogAction dialog_action_;
    int answer_ = 0;
    std::vector<CapturedWindow> boxes_;
    std::vector<CapturedWindow> dialogs_;
};

// What the rig reads from a "#32770" window; also usable on its own.
CapturedWindow DescribeDialogWindow(HWND window);
// Id of the default push button of a dialog (BS_DEFPUSHBUTTON), else IDOK.
int DefaultButtonId(HWND dialog);
