#pragma once

#include <cstdint>

// Colour records and the text rules of the settings file and dialog.

struct ColorRecord {
    int red;
    int green;
    int blue;
};

// The platform colour value: the low 8 bits of each component, red lowest.
std::uint32_t ColorValueOf(const ColorRecord& color);

// Scans "%d,%d,%d" over color: components the scan does not reach keep their values.
void ScanColorText(const char* text, ColorRecord& color);

// Each component becomes 255 + (smallest component) - itself.
ColorRecord ContrastColor(const ColorRecord& color);

// Whether the save writes a box's text over the stored value: only a
// non-empty box whose text differs from it other than in ASCII letter case.
bool SettingNeedsWrite(const char* box_text, const char* stored);
