// Sizes on the screen: the platform's MulDiv rounding and the font height
// of a point size, which every dialog of the tool set scales the same way.
#pragma once

#include <cstdint>

namespace fwu {

// The platform's MulDiv: a * b / c in 64 bits, rounded to the nearest
// integer (halves away from zero); -1 when c is 0 or the result does not
// fit 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// lfHeight of a font of `points` at `dpi` dots per inch, -MulDiv(points,
// dpi, 72); 0 for 0 points (the font keeps the system message font's
// height).
int32_t FontHeight(int32_t points, int32_t dpi);

}  // namespace fwu
