// Registration names typed into the machine dialog: a name let through must
// survive being a slot value and a section name.
#include "fuzz_input.h"
#include "machines/registration_name.h"
#include "text/lead_byte.h"
#include "text/parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string name = Fields(data, size, 1)[0];
    if (RegistrationNameFault(name.c_str()) != nullptr) return 0;
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(name.front() != ' ' && name.front() != '\t' && name.back() != ' ' && name.back() != '\t');
    FUZZ_CHECK(!EqualsIgnoreAsciiCase(name.c_str(), "machine"));
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        char c = name[i];
        FUZZ_CHECK(c != '[' && c != ']' && c != '\r' && c != '\n');
    }
    return 0;
}
