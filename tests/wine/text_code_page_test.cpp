// Windows' own conversions between the ANSI code page (932 in the test
// prefix) and UTF-8, as the control file and our ftp.exe use them: exact
// or refused, never a best fit or a default character.
#include <gtest/gtest.h>

#include "tests/rig/code_page_cases.h"

namespace {

TEST(CodePage, ShiftJisAndUtf8ConvertExactlyOrNotAtAll) { ExpectExactConversionsOrRefusals(); }

}  // namespace
