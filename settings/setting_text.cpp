#include "settings/setting_text.h"

#include <algorithm>

#include "text/parse.h"

std::uint32_t ColorValueOf(const ColorRecord& color)
{
    auto low = [](int v) { return static_cast<std::uint32_t>(v) & 0xFFu; };
    return low(color.red) | (low(color.green) << 8) | (low(color.blue) << 16);
}

void ScanColorText(const char* text, ColorRecord& color)
{
    ScanThreeInts(text, color.red, color.green, color.blue);
}

ColorRecord ContrastColor(const ColorRecord& color)
{
    // In 64 bits: hand-edited components may be anywhere in the int range.
    long long m = std::min({color.red, color.green, color.blue});
    auto flip = [m](int v) { return static_cast<int>(255 + m - v); };
    return {flip(color.red), flip(color.green), flip(color.blue)};
}

bool SettingNeedsWrite(const char* box_text, const char* stored)
{
    return box_text[0] != '\0' && !EqualsIgnoreAsciiCase(box_text, stored);
}
