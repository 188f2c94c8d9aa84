// Which registration names may be saved or deleted: only those that come
// back unchanged both as a slot value and as a section name.
#include <gtest/gtest.h>

#include "machines/registration_name.h"

namespace {

TEST(RegistrationName, AcceptsNamesTheProfileFilesKeep)
{
    // ー is 81 5B and ゾ is 83 5D: trail bytes equal to '[' and ']' are no brackets.
    for (const char* name : {"MC1", "マシニングセンター", "ゾーン", "MC 1", "a;b", "a=b", "\"MC1", "machine1", "　MC1　"})
        EXPECT_EQ(RegistrationNameFault(name), nullptr) << name;
}

TEST(RegistrationName, RefusesNamesThatWouldReachAnotherSectionOrNone)
{
    for (const char* name : {"", " ", "\t", " MC1", "MC1 ", "MC1\t", "a[b", "[MC1]", "a]b", "a\nb", "a\r\nb",
                             "\"MC1\"", "'MC1'", "machine", "MACHINE"})
        EXPECT_NE(RegistrationNameFault(name), nullptr) << name;
}

}  // namespace
