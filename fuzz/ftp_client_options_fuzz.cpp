// FTPClient.exe's command line as the main program and users form it.
#include "fuzz_input.h"
#include "ftp/client_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string arguments(reinterpret_cast<const char*>(data), size);
    ClientOptions options;
    OptionError error;
    bool ok = ParseClientOptions(arguments, options, error);
    FUZZ_CHECK(ok == (error.problem == OptionProblem::kNone));
    if (ok) {
        FUZZ_CHECK(!options.host.empty() && !options.user.empty() && !options.local_dir.empty());
        FUZZ_CHECK(options.host.size() + options.user.size() + options.password.size() + options.remote_dir.size() +
                       options.local_dir.size() <= arguments.size());
    }
    return 0;
}
