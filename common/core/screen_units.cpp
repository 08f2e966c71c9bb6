#include "screen_units.h"

namespace fwu {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t product = int64_t(a) * int64_t(b);
    const bool negative = (product < 0) != (c < 0);
    const uint64_t num = product < 0 ? uint64_t(-product) : uint64_t(product);
    const uint64_t den = c < 0 ? uint64_t(-int64_t(c)) : uint64_t(c);
    const uint64_t q = (num + den / 2) / den;
    if (q > uint64_t(INT32_MAX) + (negative ? 1 : 0)) return -1;
    return negative ? static_cast<int32_t>(-int64_t(q)) : static_cast<int32_t>(q);
}

int32_t FontHeight(int32_t points, int32_t dpi) {
    if (points == 0) return 0;
    return -MulDiv(points, dpi, 72);
}

}  // namespace fwu
