#include "number.h"

#include <climits>

namespace fwu {

namespace {
int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
}  // namespace

bool StrToIntExHex(const std::wstring& text, int32_t* value) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    uint32_t acc = 0;
    if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        size_t j = i + 2;
        if (j < text.size() && HexDigit(text[j]) >= 0) {
            for (; j < text.size() && HexDigit(text[j]) >= 0; ++j) acc = acc * 16 + uint32_t(HexDigit(text[j]));
            *value = static_cast<int32_t>(acc);
            return true;
        }
        // "0x" without hexadecimal digits reads as the decimal 0.
    }
    bool negative = false;
    if (i < text.size() && text[i] == L'-') {
        negative = true;
        ++i;
    }
    size_t start = i;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) acc = acc * 10 + uint32_t(text[i] - L'0');
    if (i == start) return false;
    *value = static_cast<int32_t>(negative ? 0u - acc : acc);
    return true;
}

int32_t LeadingDecimal(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    int64_t acc = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        acc = acc * 10 + (text[i] - L'0');
        if (acc > int64_t(INT32_MAX) + 1) acc = int64_t(INT32_MAX) + 1;
    }
    if (negative) acc = -acc;
    if (acc > INT32_MAX) return INT32_MAX;
    if (acc < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(acc);
}

int32_t ParseConfigNumber(const std::wstring& text, int32_t defaultValue) {
    if (text.empty()) return defaultValue;
    int32_t v = 0;
    if (StrToIntExHex(text, &v)) return v;
    return LeadingDecimal(text);
}

bool ParseUnsignedAuto(const std::wstring& text, uint32_t* value) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X') &&
        i + 2 < text.size() && HexDigit(text[i + 2]) >= 0) {
        base = 16;
        i += 2;
    } else if (i < text.size() && text[i] == L'0') {
        base = 8;
    }
    size_t start = i;
    uint64_t acc = 0;
    for (; i < text.size(); ++i) {
        int d = HexDigit(text[i]);
        if (d < 0 || unsigned(d) >= base) break;
        acc = acc * base + unsigned(d);
        if (acc > UINT32_MAX) return false;
    }
    if (i == start || i != text.size()) return false;
    *value = negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(acc)) : static_cast<uint32_t>(acc);
    return true;
}

}  // namespace fwu
