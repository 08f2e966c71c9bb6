// Small number helpers both dialog tools share.
#pragma once

#include <cstdint>

namespace prg {

// The platform's MulDiv: a * b / c in 64 bits, rounded to the nearest
// integer (halves away from zero); -1 when c is 0 or the result does not
// fit 32 bits.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

}  // namespace prg
