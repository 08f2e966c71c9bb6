#include "text.h"

#include <cwchar>
#include <vector>

namespace fwu {

std::wstring FormatStringV(const wchar_t* format, va_list args) {
    if (format == nullptr) return std::wstring();
    // The standard wide functions cannot count without a buffer on every
    // runtime, so grow the buffer until the text fits. Most lines fit the
    // first one, on the stack.
    constexpr size_t kFirstChars = 256;
    constexpr size_t kMaxChars = size_t(1) << 26;
    wchar_t first[kFirstChars];
    std::vector<wchar_t> grown;
    wchar_t* buffer = first;
    size_t size = kFirstChars;
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vswprintf(buffer, size, format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < size) {
            if (n == 0) return std::wstring(format);
            return std::wstring(buffer, static_cast<size_t>(n));
        }
        if (size >= kMaxChars) return std::wstring(format);
        size *= 4;
        grown.assign(size, L'\0');
        buffer = grown.data();
    }
}

std::wstring FormatString(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring s = FormatStringV(format, args);
    va_end(args);
    return s;
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
    if (from.empty()) return text;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::wstring::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}

std::wstring ExpandLineBreaks(const std::wstring& text, const wchar_t* lineBreak) {
    return ReplaceAll(text, L"\\n", lineBreak);
}

wchar_t ToUpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; }

std::wstring ToUpperAscii(std::wstring text) {
    for (auto& c : text) c = ToUpperAscii(c);
    return text;
}

bool PrefixEqualsNoCaseAscii(const wchar_t* a, const wchar_t* b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
    }
    return true;
}

bool EqualsNoCaseAscii(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && PrefixEqualsNoCaseAscii(a.data(), b.data(), a.size());
}

bool SettingIs(const std::wstring& value, const wchar_t* word) { return ToUpperAscii(value) == word; }

std::wstring FromUtf16(const char16_t* units, size_t count) {
    std::wstring s;
    s.reserve(count);
    for (size_t i = 0; i < count; ++i) s.push_back(static_cast<wchar_t>(units[i]));
    return s;
}

std::u16string ToUtf16(const std::wstring& text) {
    std::u16string s;
    s.reserve(text.size());
    for (wchar_t c : text) {
        auto v = static_cast<uint32_t>(c);
        if (v > 0xFFFF) {  // only where wchar_t is 32 bits wide
            v -= 0x10000;
            s.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            s.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            s.push_back(static_cast<char16_t>(v));
        }
    }
    return s;
}

std::wstring FromUtf8(std::string_view bytes) {
    std::wstring units;
    units.reserve(bytes.size());
    size_t i = 0;
    auto bad = [&]() { units.push_back(L'\xFFFD'); ++i; };
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        uint32_t cp;
        size_t n;
        if (b < 0x80) { units.push_back(static_cast<wchar_t>(b)); ++i; continue; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; n = 2; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; n = 3; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; n = 4; }
        else { bad(); continue; }
        if (i + n > bytes.size()) { bad(); continue; }
        bool ok = true;
        for (size_t k = 1; k < n; ++k) {
            auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok || cp > 0x10FFFF) { bad(); continue; }
        i += n;
        // UTF-16 code units, one wide character each (see FromUtf16).
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<wchar_t>(cp));
        }
    }
    return units;
}

std::string ToUtf8(const std::wstring& text) {
    std::u16string u = ToUtf16(text);
    std::string out;
    for (size_t i = 0; i < u.size(); ++i) {
        uint32_t cp = u[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::wstring FolderOf(const std::wstring& path) {
    size_t pos = path.rfind(L'\\');
    return pos == std::wstring::npos ? path : path.substr(0, pos);
}

}  // namespace fwu
