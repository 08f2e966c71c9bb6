// Standard Base64 (RFC 4648 alphabet, "=" padding).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fwu {

std::wstring Base64Encode(const uint8_t* bytes, size_t length);

// Decodes as CryptStringToBinaryW with CRYPT_STRING_BASE64 does: white space
// (blanks, tabs, CR, LF) is skipped; any other character outside the
// alphabet, padding in the middle, or a dangling single character fails.
bool Base64Decode(const std::wstring& text, std::vector<uint8_t>& bytes);

}  // namespace fwu
