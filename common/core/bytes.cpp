#include "bytes.h"

namespace fwu {

uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void AppendLe32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
}

std::u16string Utf16LeUnits(const uint8_t* bytes, size_t size) {
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = char16_t(ReadLe16(bytes + 2 * i));
    return units;
}

void AppendUtf16Le(std::vector<uint8_t>& bytes, const std::u16string& units) {
    bytes.reserve(bytes.size() + units.size() * 2);
    for (char16_t u : units) {
        bytes.push_back(uint8_t(u & 0xFF));
        bytes.push_back(uint8_t(u >> 8));
    }
}

std::wstring HexText(const uint8_t* bytes, size_t size) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0xF]);
    }
    return text;
}

}  // namespace fwu
