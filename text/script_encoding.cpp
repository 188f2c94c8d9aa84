#include "text/script_encoding.h"

ScriptEncoding ScriptEncodingFor(unsigned long major_version, unsigned long minor_version)
{
    bool windows_8_or_later = major_version > 6 || (major_version == 6 && minor_version >= 2);
    return windows_8_or_later ? ScriptEncoding::kUtf8 : ScriptEncoding::kAnsi;
}
