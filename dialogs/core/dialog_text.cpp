#include "dialog_text.h"

#include <cstdlib>

namespace prg {

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    int64_t product = int64_t(a) * int64_t(b);
    bool negative = (product < 0) != (c < 0);
    uint64_t num = product < 0 ? uint64_t(-product) : uint64_t(product);
    uint64_t den = c < 0 ? uint64_t(-int64_t(c)) : uint64_t(c);
    uint64_t q = (num + den / 2) / den;
    if (q > uint64_t(INT32_MAX) + (negative ? 1 : 0)) return -1;
    return negative ? static_cast<int32_t>(-int64_t(q)) : static_cast<int32_t>(q);
}

}  // namespace prg
