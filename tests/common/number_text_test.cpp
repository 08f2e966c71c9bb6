#include <gtest/gtest.h>

#include "number.h"
#include "text.h"

using namespace fwu;

TEST(Number, ConfigNumberRules) {
    struct Row { const wchar_t* text; int32_t expected; } rows[] = {
        {L"", 7},          {L"12", 12},        {L"-12", -12},       {L"0x1F", 31},
        {L"0X1f", 31},     {L"0xFFFFFFFF", -1}, {L"0x80000001", INT32_MIN + 1},
        {L"3a", 3},        {L"abc", 0},        {L"  42", 42},       {L"+5", 5},
        {L"0x", 0},        {L"yes", 0},        {L"99999999999", int32_t(99999999999LL & 0xFFFFFFFF)},
    };
    for (const auto& r : rows) EXPECT_EQ(ParseConfigNumber(r.text, 7), r.expected) << std::wstring(r.text).size();
}

TEST(Number, UnsignedAutoNeedsWholeText) {
    uint32_t v = 1;
    EXPECT_TRUE(ParseUnsignedAuto(L"0x10", &v));
    EXPECT_EQ(v, 16u);
    EXPECT_TRUE(ParseUnsignedAuto(L"010", &v));
    EXPECT_EQ(v, 8u);
    EXPECT_TRUE(ParseUnsignedAuto(L"5", &v));
    EXPECT_EQ(v, 5u);
    EXPECT_TRUE(ParseUnsignedAuto(L"0", &v));
    EXPECT_EQ(v, 0u);
    for (const wchar_t* bad : {L"3a", L"", L"x", L"09", L"0x", L"99999999999", L"5 "}) {
        v = 77;
        EXPECT_FALSE(ParseUnsignedAuto(bad, &v)) << std::wstring(bad).size();
        EXPECT_EQ(v, 77u);
    }
}

TEST(Text, FormatFallsBackToTheFormatWhenEmpty) {
    EXPECT_EQ(FormatString(L"%d", 5), L"5");
    EXPECT_EQ(FormatString(L"%ls", L""), L"%ls");
    EXPECT_EQ(FormatString(L"Exec [%ls] (%d).", L"a.exe", 3), L"Exec [a.exe] (3).");
    EXPECT_EQ(FormatString(L"0x%08X", 0x80000001u), L"0x80000001");
    std::wstring big(100000, L'x');
    EXPECT_EQ(FormatString(L"%ls!", big.c_str()).size(), big.size() + 1);
}

TEST(Text, ReplaceAllContinuesBehindInsertedText) {
    EXPECT_EQ(ReplaceAll(L"%U%\\a;%U%", L"%U%", L"C:\\%U%"), L"C:\\%U%\\a;C:\\%U%");
    EXPECT_EQ(ReplaceAll(L"aaa", L"a", L"aa"), L"aaaaaa");
    EXPECT_EQ(ReplaceAll(L"abc", L"", L"x"), L"abc");
    EXPECT_EQ(ExpandLineBreaks(L"one\\ntwo\\n", L"\r\n"), L"one\r\ntwo\r\n");
    EXPECT_EQ(ExpandLineBreaks(L"one\\ntwo", L"\n"), L"one\ntwo");
}

TEST(Text, SettingsCompareUpperCased) {
    EXPECT_TRUE(SettingIs(L"on", L"ON"));
    EXPECT_TRUE(SettingIs(L"ShellExecuteEx", L"SHELLEXECUTEEX"));
    EXPECT_FALSE(SettingIs(L"1", L"ON"));
    EXPECT_FALSE(SettingIs(L"ON ", L"ON"));
    EXPECT_EQ(FolderOf(L"C:\\pkg\\Update.exe"), L"C:\\pkg");
    EXPECT_EQ(FolderOf(L"Update.exe"), L"Update.exe");
}

TEST(Text, Utf8RoundTrip) {
    std::wstring s = L"\u00e9\u65e5 A";
    EXPECT_EQ(FromUtf8(ToUtf8(s)), s);
    EXPECT_EQ(FromUtf8("\xFF"), L"\uFFFD");
}
