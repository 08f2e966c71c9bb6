#include "lint_grammar.h"

#include <algorithm>
#include <array>
#include <vector>

#include "task.h"
#include "task_keys.h"
#include "text.h"

namespace fwu::lint {

std::wstring Hex(uint32_t v) { return FormatString(L"0x%08X", v); }

std::wstring ShortValue(uint32_t v) {
    if (v < 0x10000) return FormatString(L"%u", v);
    return FormatString(L"0x%X", v);
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

bool IsCleanNumber(const std::wstring& t) {
    size_t i = 0;
    if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) {
        for (i = 2; i < t.size(); ++i)
            if (!IsHexDigit(t[i])) return false;
        return true;
    }
    if (i < t.size() && t[i] == L'-') ++i;
    if (i == t.size()) return false;
    for (; i < t.size(); ++i)
        if (t[i] < L'0' || t[i] > L'9') return false;
    return true;
}

bool IsBeyond32Bits(const std::wstring& t) {
    if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) {
        size_t i = 2;
        while (i < t.size() && t[i] == L'0') ++i;
        return t.size() - i > 8;
    }
    bool negative = !t.empty() && t[0] == L'-';
    uint64_t acc = 0;
    for (size_t i = negative ? 1 : 0; i < t.size(); ++i) {
        acc = acc * 10 + uint64_t(t[i] - L'0');
        if (acc > 0xFFFFFFFFull) return true;
    }
    return negative ? acc > 0x80000000ull : false;
}

// Update names a task's section with upd::TaskSectionName, the number as a
// signed decimal, so a number above 2147483647 (a Goto of -2, a RET_ value
// of 0xFFFFFFFE, a count that wraps) names a negative section.
std::optional<uint32_t> TaskNumberOf(const std::wstring& name, bool* looksLikeTask) {
    *looksLikeTask = name.size() >= 5 && PrefixEqualsNoCaseAscii(name.c_str(), L"TASK_", 5);
    if (!*looksLikeTask) return std::nullopt;
    std::wstring digits = name.substr(5);
    bool negative = !digits.empty() && digits[0] == L'-';
    if (negative) digits.erase(0, 1);
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    for (wchar_t c : digits)
        if (c < L'0' || c > L'9') return std::nullopt;
    uint64_t v = std::stoull(ToUtf8(digits));
    if (v > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
    const uint32_t number = negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
    // Leading zeros and "-0" are spellings Update never forms.
    if (!EqualsNoCaseAscii(name, upd::TaskSectionName(number))) return std::nullopt;
    return number;
}

std::optional<uint32_t> RetKeyResult(const std::wstring& key) {
    if (key.size() != 14 || !PrefixEqualsNoCaseAscii(key.c_str(), L"RET_0X", 6)) return std::nullopt;
    uint32_t v = 0;
    for (size_t i = 6; i < 14; ++i) {
        wchar_t c = key[i];
        if (!IsHexDigit(c)) return std::nullopt;
        int d = c <= L'9' ? c - L'0' : (ToUpperAscii(c) - L'A' + 10);
        v = v * 16 + uint32_t(d);
    }
    if (!EqualsNoCaseAscii(key, upd::ResultKeyName(v))) return std::nullopt;
    return v;
}

std::optional<IndexedKey> ParseIndexedKey(const std::wstring& key) {
    IndexedKey k;
    size_t pos = 0;
    if (key.size() > 9 && PrefixEqualsNoCaseAscii(key.c_str(), L"TD_Button", 9)) {
        pos = 9;
    } else if (key.size() > 8 && PrefixEqualsNoCaseAscii(key.c_str(), L"TD_Radio", 8)) {
        pos = 8;
        k.radio = true;
    } else {
        return std::nullopt;
    }
    size_t start = pos;
    uint64_t v = 0;
    while (pos < key.size() && key[pos] >= L'0' && key[pos] <= L'9' && pos - start < 10)
        v = v * 10 + uint64_t(key[pos++] - L'0');
    if (pos == start || v > 0x7FFFFFFFull) return std::nullopt;
    std::wstring rest = key.substr(pos);
    if (EqualsNoCaseAscii(rest, L"_ID")) {
        k.id = true;
    } else if (!EqualsNoCaseAscii(rest, L"_Text")) {
        return std::nullopt;
    }
    k.index = uint32_t(v);
    // Leading zeros are spellings Update never forms.
    if (!EqualsNoCaseAscii(key, upd::DialogEntryKeyName(k.radio, k.index, k.id))) return std::nullopt;
    return k;
}

// Exact up to 2, the most a suggestion allows; 3 for anything further apart,
// which lengths more than 2 apart always are. An edit path of cost 2 or less
// never leaves the diagonals |i - j| <= 2, so each row keeps those five
// cells, capped at 3, and a row with none below 3 ends the count.
size_t EditDistance(const std::wstring& a, const std::wstring& b) {
    constexpr size_t kFar = 3;
    constexpr size_t kBand = 2;
    constexpr size_t kWidth = 2 * kBand + 1;
    const size_t n = a.size(), m = b.size();
    if (n > m + kBand || m > n + kBand) return kFar;
    // Cell d of row i is the distance of a's first i and b's first j = i + d - 2
    // characters; cells beyond either string are kFar.
    std::array<size_t, kWidth> prev{}, cur{};
    for (size_t d = 0; d < kWidth; ++d) prev[d] = (d >= kBand && d - kBand <= m) ? d - kBand : kFar;
    for (size_t i = 1; i <= n; ++i) {
        size_t rowBest = kFar;
        for (size_t d = 0; d < kWidth; ++d) {
            if (i + d < kBand || i + d - kBand > m) {
                cur[d] = kFar;
                continue;
            }
            const size_t j = i + d - kBand;
            size_t v = std::min(i, kFar);
            if (j > 0) {
                const size_t sub = prev[d] + (ToUpperAscii(a[i - 1]) == ToUpperAscii(b[j - 1]) ? 0 : 1);
                const size_t del = (d + 1 < kWidth ? prev[d + 1] : kFar) + 1;
                const size_t ins = (d > 0 ? cur[d - 1] : kFar) + 1;
                v = std::min({sub, del, ins, kFar});
            }
            cur[d] = v;
            rowBest = std::min(rowBest, v);
        }
        if (rowBest >= kFar) return kFar;
        prev = cur;
    }
    return prev[m + kBand - n];
}

std::wstring LastPathPart(const std::wstring& path) {
    size_t p = path.find_last_of(L"\\/");
    return p == std::wstring::npos ? path : path.substr(p + 1);
}

std::wstring Shorten(std::wstring text, size_t max) {
    text = ReplaceAll(text, L"\\n", L" ");
    if (text.size() > max) text = text.substr(0, max - 3) + L"...";
    return text;
}

}  // namespace fwu::lint
