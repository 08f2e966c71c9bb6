#include "base64.h"

namespace fwu {

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c - L'A';
    if (c >= L'a' && c <= L'z') return c - L'a' + 26;
    if (c >= L'0' && c <= L'9') return c - L'0' + 52;
    if (c == L'+') return 62;
    if (c == L'/') return 63;
    return -1;
}
bool IsSkipped(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
}  // namespace

std::wstring Base64Encode(const uint8_t* bytes, size_t length) {
    std::wstring out;
    out.reserve((length + 2) / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        uint32_t v = uint32_t(bytes[i]) << 16;
        if (i + 1 < length) v |= uint32_t(bytes[i + 1]) << 8;
        if (i + 2 < length) v |= bytes[i + 2];
        out.push_back(wchar_t(kAlphabet[(v >> 18) & 63]));
        out.push_back(wchar_t(kAlphabet[(v >> 12) & 63]));
        out.push_back(i + 1 < length ? wchar_t(kAlphabet[(v >> 6) & 63]) : L'=');
        out.push_back(i + 2 < length ? wchar_t(kAlphabet[v & 63]) : L'=');
    }
    return out;
}

bool Base64Decode(const std::wstring& text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    uint32_t acc = 0;
    int bits = 0;
    size_t symbols = 0, padding = 0;
    for (wchar_t c : text) {
        if (IsSkipped(c)) continue;
        if (c == L'=') {
            ++padding;
            continue;
        }
        int v = Value(c);
        if (v < 0 || padding > 0) return false;  // foreign character, or data after padding
        ++symbols;
        acc = (acc << 6) | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(uint8_t((acc >> bits) & 0xFF));
        }
    }
    if (symbols % 4 == 1) return false;
    if (padding > 2 || (padding > 0 && (symbols + padding) % 4 != 0)) return false;
    return true;
}

}  // namespace fwu
