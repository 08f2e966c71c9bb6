// Byte buffers as the platform and the files lay them out: little-endian
// numbers, UTF-16LE text, and bytes written as hexadecimal text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fwu {

// The little-endian number at `p`; the caller has checked that the bytes
// are there.
uint16_t ReadLe16(const uint8_t* p);
uint32_t ReadLe32(const uint8_t* p);
// Appends the 4 bytes of `value`, least significant first.
void AppendLe32(std::vector<uint8_t>& bytes, uint32_t value);

// The code units of `size` bytes of UTF-16LE (no byte-order mark is
// looked for); an odd trailing byte is dropped.
std::u16string Utf16LeUnits(const uint8_t* bytes, size_t size);
// Appends the code units as UTF-16LE, 2 bytes each.
void AppendUtf16Le(std::vector<uint8_t>& bytes, const std::u16string& units);

// Two upper-case hexadecimal digits per byte ("%02X" each), in order.
std::wstring HexText(const uint8_t* bytes, size_t size);

}  // namespace fwu
