#include "text/script_encoding.h"

ScriptEncoding ScriptEncodingFor(unsigned long major_version, unsigned long minor_version)
{
    bool windows_8_or_later = major_version > 6 || (major_version == 6 && minor_version >= 2);
    return windows_8_or_later ? ScriptEncoding::kUtf8 : ScriptEncoding::kAnsi;
}

ScriptEncoding ScriptEncodingForClient(const VersionNumber* client_file, const VersionNumber& system)
{
    const VersionNumber& version = client_file != nullptr ? *client_file : system;
    return ScriptEncodingFor(version.major, version.minor);
}
