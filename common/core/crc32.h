// CRC-32 of zlib and PKZIP (reflected polynomial 0xEDB88320).
#pragma once

#include <cstddef>
#include <cstdint>

class CBCrc32 {
public:
    // Eight bytes a step over tables made at compile time: a sealed file is
    // checked on every read of it, so the check costs a few cycles a byte.
    uint32_t Calc(const uint8_t* bytes, size_t length) const;
};
