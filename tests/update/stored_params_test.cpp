// The split of the stored command-line files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stored_params.h"

using upd::ParameterFileArguments;
using upd::SplitCommandLine;
using Args = std::vector<std::wstring>;

namespace {
std::vector<uint8_t> Utf16Le(const std::wstring& text) {
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(uint8_t(c & 0xFF));
        bytes.push_back(uint8_t((c >> 8) & 0xFF));
    }
    return bytes;
}
Args FromFile(const std::vector<uint8_t>& bytes) { return ParameterFileArguments(bytes.data(), bytes.size()); }
}  // namespace

TEST(SplitCommandLine, BlanksQuotesAndBackslashes) {
    EXPECT_EQ(SplitCommandLine(L"prog \"abc\" d e"), (Args{L"prog", L"abc", L"d", L"e"}));
    EXPECT_EQ(SplitCommandLine(L"prog a\\\\\\b d\"e f\"g h"), (Args{L"prog", L"a\\\\\\b", L"de fg", L"h"}));
    EXPECT_EQ(SplitCommandLine(L"prog a\\\\\\\"b c d"), (Args{L"prog", L"a\\\"b", L"c", L"d"}));
    EXPECT_EQ(SplitCommandLine(L"prog a\\\\\\\\\"b c\" d e"), (Args{L"prog", L"a\\\\b c", L"d", L"e"}));
    EXPECT_EQ(SplitCommandLine(L"prog \t /s\t\t/DisableCertificationCheck  "),
              (Args{L"prog", L"/s", L"/DisableCertificationCheck"}));
    EXPECT_EQ(SplitCommandLine(L"prog \"\" x"), (Args{L"prog", L"", L"x"}));
    EXPECT_EQ(SplitCommandLine(L"prog \"a b"), (Args{L"prog", L"a b"}));  // unterminated quote
    EXPECT_EQ(SplitCommandLine(L"prog a\\\\ b\\"), (Args{L"prog", L"a\\\\", L"b\\"}));
    // Line breaks are no separators between arguments.
    EXPECT_EQ(SplitCommandLine(L"prog a\r\nb"), (Args{L"prog", L"a\r\nb"}));
}

TEST(SplitCommandLine, DoubledQuotesCloseTheQuotedPart) {
    // Two quotes inside a quoted part: one literal quote, and the part ends.
    EXPECT_EQ(SplitCommandLine(L"prog \"a\"\"b c\""), (Args{L"prog", L"a\"b", L"c"}));
    EXPECT_EQ(SplitCommandLine(L"prog a\"b\"\" c d"), (Args{L"prog", L"ab\"", L"c", L"d"}));
    // Inside a quoted part three quotes give a literal quote and go on quoted;
    // at the start of an argument the first of them opens the part.
    EXPECT_EQ(SplitCommandLine(L"prog \"x\"\"\"y z\""), (Args{L"prog", L"x\"y z"}));
    EXPECT_EQ(SplitCommandLine(L"prog \"\"\"a b\""), (Args{L"prog", L"\"a", L"b"}));
    EXPECT_EQ(SplitCommandLine(L"prog \"\"\"\"\"\""), (Args{L"prog", L"\"\""}));
}

TEST(SplitCommandLine, ProgramPathHasRulesOfItsOwn) {
    EXPECT_EQ(SplitCommandLine(L"\"C:\\Program Files\\up\\Update.exe\" /s"),
              (Args{L"C:\\Program Files\\up\\Update.exe", L"/s"}));
    // No escapes in the path, and the closing quote ends it.
    EXPECT_EQ(SplitCommandLine(L"\"C:\\dir\\\"/s"), (Args{L"C:\\dir\\", L"/s"}));
    EXPECT_EQ(SplitCommandLine(L"C:\\a\"b\\Update.exe /s"), (Args{L"C:\\a\"b\\Update.exe", L"/s"}));
    // Unquoted, any control character ends it and is dropped.
    EXPECT_EQ(SplitCommandLine(L"Update.exe\n/s"), (Args{L"Update.exe", L"/s"}));
    EXPECT_EQ(SplitCommandLine(L"\"Update.exe"), (Args{L"Update.exe"}));
    EXPECT_EQ(SplitCommandLine(L"   /s"), (Args{L"", L"/s"}));
    EXPECT_EQ(SplitCommandLine(L"Update.exe"), (Args{L"Update.exe"}));
    EXPECT_EQ(SplitCommandLine(L""), Args{});
}

TEST(ParameterFileArguments, BytesMarkAndEnd) {
    EXPECT_EQ(FromFile(Utf16Le(L"Update.exe /s")), (Args{L"Update.exe", L"/s"}));
    // A byte-order mark is skipped, also before a quoted path.
    EXPECT_EQ(FromFile(Utf16Le(L"\xFEFF\"C:\\x y\\starter.exe\" /DisableCertificationCheck")),
              (Args{L"C:\\x y\\starter.exe", L"/DisableCertificationCheck"}));
    EXPECT_EQ(FromFile(Utf16Le(L"\xFEFF")), Args{});
    // The text ends at the first zero unit.
    EXPECT_EQ(FromFile(Utf16Le(std::wstring(L"a /s\0 /q", 8))), (Args{L"a", L"/s"}));
    EXPECT_EQ(FromFile(Utf16Le(std::wstring(L"\0a /s", 5))), Args{});
    // An odd last byte is a unit of its own.
    std::vector<uint8_t> odd = Utf16Le(L"a /");
    odd.push_back('s');
    EXPECT_EQ(FromFile(odd), (Args{L"a", L"/s"}));
    EXPECT_EQ(ParameterFileArguments(nullptr, 4), Args{});
    EXPECT_EQ(FromFile({}), Args{});
    // Units beyond ASCII are kept as they are (no case folding here).
    EXPECT_EQ(FromFile(Utf16Le(L"a /\x00C9t\xD800")), (Args{L"a", L"/\x00C9t\xD800"}));
}
