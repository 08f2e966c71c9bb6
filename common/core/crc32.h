// CRC-32 of zlib and PKZIP (reflected polynomial 0xEDB88320).
#pragma once

#include <cstddef>
#include <cstdint>

class CBCrc32 {
public:
    CBCrc32();
    ~CBCrc32();
    uint32_t Calc(const uint8_t* bytes, size_t length) const;

private:
    uint32_t m_table[256];
};
