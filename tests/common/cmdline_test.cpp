#include <gtest/gtest.h>

#include "cmdline.h"

namespace {
CParseParam Args(std::vector<std::wstring> a) {
    a.insert(a.begin(), L"C:\\pkg\\prog.exe");
    return CParseParam(std::move(a));
}
}  // namespace

TEST(CParseParam, ValueLookupAcceptsBothPrefixesAndIgnoresKeyCase) {
    EXPECT_EQ(Args({L"/log:C:\\a.log"}).Find(L"LOG:", nullptr), L"C:\\a.log");
    EXPECT_EQ(Args({L"-LOG:C:\\a.log"}).Find(L"LOG:", nullptr), L"C:\\a.log");
    EXPECT_EQ(Args({L"/LOG:C:\\Mixed Case.LOG"}).Find(L"log:", nullptr), L"C:\\Mixed Case.LOG");
}

TEST(CParseParam, FirstMatchDecidesEvenWhenEmpty) {
    EXPECT_EQ(Args({L"/LOG:", L"/LOG:C:\\a.log"}).Find(L"LOG:", nullptr), L"");
    EXPECT_EQ(Args({L"/LOG:one", L"/LOG:two"}).Find(L"LOG:", nullptr), L"one");
}

TEST(CParseParam, FlagNeedsExactWordAndSkipsLongerOnes) {
    int32_t flag = 0;
    Args({L"/silent"}).Find(L"s", &flag);
    EXPECT_EQ(flag, 0);
    Args({L"/S"}).Find(L"s", &flag);
    EXPECT_EQ(flag, 1);
    flag = 0;
    EXPECT_EQ(Args({L"/loopy", L"/loop"}).Find(L"loop", &flag), L"");
    EXPECT_EQ(flag, 1);
    flag = 7;  // left untouched when absent
    Args({L"/other"}).Find(L"loop", &flag);
    EXPECT_EQ(flag, 7);
}

TEST(CParseParam, ValueKeysNeedTheirColon) {
    EXPECT_EQ(Args({L"/HwID"}).Find(L"HwID:", nullptr), L"");
    EXPECT_EQ(Args({L"/HwIDs:x"}).Find(L"HwID:", nullptr), L"");
    EXPECT_EQ(Args({L"/HwID:PCI\\VEN_8086"}).Find(L"HwID:", nullptr), L"PCI\\VEN_8086");
}

TEST(CParseParam, IgnoresUnprefixedArgumentsAndProgramPath) {
    EXPECT_EQ(Args({L"LOG:C:\\a.log"}).Find(L"LOG:", nullptr), L"");
    CParseParam onlyPath({L"/LOG:C:\\x.log"});  // argument 0 is the program itself
    EXPECT_EQ(onlyPath.Find(L"LOG:", nullptr), L"");
    CParseParam none(std::vector<std::wstring>{});
    int32_t flag = 0;
    EXPECT_EQ(none.Find(L"LOG:", nullptr), L"");
    none.Find(L"s", &flag);
    EXPECT_EQ(flag, 0);
}

TEST(CParseParam, ShortArgumentsDoNotReadPastTheirEnd) {
    int32_t flag = 0;
    EXPECT_EQ(Args({L"/", L"-", L""}).Find(L"WaitMultiEnd", &flag), L"");
    EXPECT_EQ(flag, 0);
}
