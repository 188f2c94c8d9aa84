// main() of the Wine test program. A message box or dialog that no test
// captures would wait for a click that never comes; the guard below ends
// it and fails the running test instead.
#include <gtest/gtest.h>

#include "tests/rig/message_box_capture.h"

namespace {

class UnexpectedWindowGuard : public MessageBoxCapture {
protected:
    void Seen(const CapturedWindow& window) override
    {
        ADD_FAILURE() << "unexpected " << (window.is_message_box ? "message box" : "dialog") << " \""
                      << window.caption << "\": \"" << window.text << "\" (" << MessageBoxIconName(window.icon)
                      << "), Shift-JIS text";
    }
};

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    UnexpectedWindowGuard guard;
    return RUN_ALL_TESTS();
}
