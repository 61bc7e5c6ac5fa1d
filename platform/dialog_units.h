// Dialog units to pixels, as the Windows dialog manager converts a
// template: for a backend that lays out the template itself. A horizontal
// unit is a quarter of the dialog font's average character width, taken
// over the 52 Latin letters and rounded; a vertical unit is an eighth of
// the font's height. Each value is converted on its own, rounded to the
// nearest pixel (MulDiv), so a control's right edge is its x plus its
// converted width.
#pragma once

#include <cstdint>

struct DialogBaseUnits {
    int x;
    int y;
};

// widthOf52Letters: the text extent of "a".."z" "A".."Z" in the dialog
// font; height: the font's height (ascent plus descent).
inline DialogBaseUnits DialogBaseUnitsOf(int widthOf52Letters, int height)
{
    return { (widthOf52Letters + 26) / 52, height };
}

// units * base / divisor, rounded half away from zero.
inline int DialogUnitsToPixels(int units, int base, int divisor)
{
    int64_t product = static_cast<int64_t>(units) * base;
    int64_t half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

inline int DialogXToPixels(int units, DialogBaseUnits base)
{
    return DialogUnitsToPixels(units, base.x, 4);
}

inline int DialogYToPixels(int units, DialogBaseUnits base)
{
    return DialogUnitsToPixels(units, base.y, 8);
}
