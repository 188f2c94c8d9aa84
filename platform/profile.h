#pragma once

#include <cstddef>

#include "text/fixed_text.h"

// The private-profile (INI) operations, as every part of the program uses
// them on the settings file, the machine table file and help.ini.

// GetPrivateProfileStringA with the default "", into a buffer of `size`
// bytes: at most size - 1 bytes of the value, always whole characters.
// Returns the number of bytes kept; 0 for a missing key or an empty value.
//
// Wine's GetPrivateProfileStringA leaves a garbage byte at the end when its
// cut falls inside a double-byte character (measured: value テスト into 4
// bytes gives 83 65 ?? 00). So the value is read into a buffer two bytes
// larger than needed and cut here, on a character boundary.
std::size_t ReadProfileText(const char* section, const char* key, char* out, std::size_t size,
                            const char* path);

template <std::size_t N>
std::size_t ReadProfileText(const char* section, const char* key, FixedText<N>& out, const char* path)
{
    return ReadProfileText(section, key, out.data(), N, path);
}

// GetPrivateProfileIntA: leading decimal digits, "01" is 1, "yes" is 0,
// a missing key or an empty value gives the default.
int ReadProfileInt(const char* section, const char* key, int default_value, const char* path);

// WritePrivateProfileStringA. An empty value keeps the key with "key=";
// returns false when the file cannot be written or its writes are refused.
bool WriteProfileText(const char* section, const char* key, const char* value, const char* path);

// From now on every write to the file at `path` (any letter case) fails: for
// a file the program must not change (settings/ini_check.h).
void RefuseProfileWrites(const char* path);

// Removes a whole section with all its keys (a write with no key).
bool DeleteProfileSection(const char* section, const char* path);
