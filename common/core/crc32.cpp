#include "crc32.h"

CBCrc32::CBCrc32() {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
        m_table[n] = c;
    }
}

CBCrc32::~CBCrc32() = default;

uint32_t CBCrc32::Calc(const uint8_t* bytes, size_t length) const {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) crc = (crc >> 8) ^ m_table[(crc ^ bytes[i]) & 0xFF];
    return ~crc;
}
