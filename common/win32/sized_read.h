// The "ask for the size, then read" calls of the platform (device
// properties, environment expansion, hash values, ...) in one place: a
// first call without a buffer tells the size, a second call fills a buffer
// of that size.
#pragma once

#include <cstddef>
#include <vector>

namespace fwu {

// What one attempt of such a call answered: `fits`, the value was written
// whole into the buffer given; `size`, the units written then, or else the
// units the value needs (0 when the call failed or has no value).
struct SizedAnswer {
    bool fits = false;
    size_t size = 0;
};

// Reads a value with `call(buffer, capacity)` (a null buffer and 0 the
// first time) into `out`, cut to the units written. True with the value;
// false when the call fails, when it has no value to give, or when the
// value outgrew the buffer between the two calls.
template <typename Unit, typename Call>
bool ReadSized(Call call, std::vector<Unit>& out) {
    SizedAnswer answer = call(static_cast<Unit*>(nullptr), size_t(0));
    if (answer.fits) {
        out.clear();  // an empty value
        return true;
    }
    if (answer.size == 0) return false;
    out.assign(answer.size, Unit{});
    answer = call(out.data(), out.size());
    if (!answer.fits || answer.size > out.size()) return false;
    out.resize(answer.size);
    return true;
}

}  // namespace fwu
