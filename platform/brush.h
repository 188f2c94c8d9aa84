#pragma once

#include <windows.h>

// A solid brush of one colour, kept for as long as the colour stays the
// same. Colour requests come at every paint; making a new brush for each
// would leak one GDI object per paint.
class SolidBrush {
public:
    SolidBrush() = default;
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;
    ~SolidBrush() { Release(); }

    HBRUSH Get(COLORREF color)
    {
        if (brush_ == nullptr || color != color_) {
            Release();
            brush_ = CreateSolidBrush(color);
            color_ = color;
        }
        return brush_;
    }

private:
    void Release()
    {
        if (brush_ != nullptr) DeleteObject(brush_);
        brush_ = nullptr;
    }

    HBRUSH brush_ = nullptr;
    COLORREF color_ = 0;
};
