// Text helpers shared by every program: printf-style formatting into a new
// string, replace-all, ASCII case rules and the "\n" line-break convention.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace fwu {

// Formats like the standard wide printf. Wide string arguments take "%ls".
// An empty result (or a format the runtime cannot expand) yields the format
// text itself, so a line is never lost.
std::wstring FormatString(const wchar_t* format, ...);
std::wstring FormatStringV(const wchar_t* format, va_list args);

// Replaces every occurrence of `from`, left to right; the scan continues
// behind each inserted text, so `to` may contain `from`.
std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to);

// Replaces the two characters backslash and n by `lineBreak`
// (L"\r\n" in Update and Progress, L"\n" in Optpick).
std::wstring ExpandLineBreaks(const std::wstring& text, const wchar_t* lineBreak);

wchar_t ToUpperAscii(wchar_t c);
std::wstring ToUpperAscii(std::wstring text);
// Whole-string comparison ignoring ASCII letter case.
bool EqualsNoCaseAscii(std::wstring_view a, std::wstring_view b);
// Compares the first `count` characters ignoring ASCII case; both strings
// must hold at least `count` characters.
bool PrefixEqualsNoCaseAscii(const wchar_t* a, const wchar_t* b, size_t count);

// Text settings: upper-case the value, compare exactly with `word` ("ON").
bool SettingIs(const std::wstring& value, const wchar_t* word);

// UTF-16 code units <-> wide strings. On Windows wchar_t is a UTF-16 code
// unit; elsewhere each code unit is widened as it is (no surrogate joining),
// which keeps round trips byte-exact.
std::wstring FromUtf16(const char16_t* units, size_t count);
std::u16string ToUtf16(const std::wstring& text);
std::wstring FromUtf8(std::string_view bytes);
std::string ToUtf8(const std::wstring& text);

// The folder part of a path: everything before the last backslash, or the
// whole path when there is none.
std::wstring FolderOf(const std::wstring& path);

}  // namespace fwu
