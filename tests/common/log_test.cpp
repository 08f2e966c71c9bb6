#include <gtest/gtest.h>

#include "logformat.h"

using namespace fwu;

TEST(LogFormat, PrefixAndBannerArePaddedToTheirWidths) {
    LogTime t{2024, 3, 5, 14, 7, 9};
    EXPECT_EQ(FormatLogPrefix(t), L"2024/03/05 14:07:09 - ");
    EXPECT_EQ(FormatBanner(L"DORozari", t), L"********** DORozari - 2024/03/05 - 14:07:09 **********");
    LogTime early{987, 1, 2, 0, 0, 0};
    EXPECT_EQ(FormatLogPrefix(early), L"0987/01/02 00:00:00 - ");
}

TEST(LogFormat, LockNameIsAcceptedAndSharedByOneExecutable) {
    std::wstring a = LogLockName(L"C:\\Packages\\FW 1.2\\Update.exe");
    std::wstring b = LogLockName(L"c:\\packages\\fw 1.2\\UPDATE.EXE");
    std::wstring other = LogLockName(L"C:\\Packages\\FW 1.3\\Update.exe");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);
    EXPECT_EQ(a.find(L'\\'), std::wstring::npos);
    const std::wstring suffix = L"-4DA00EA1-D771-430E-B79B-EC4D6915B3A7";
    ASSERT_GT(a.size(), suffix.size());
    EXPECT_EQ(a.substr(a.size() - suffix.size()), suffix);
    EXPECT_EQ(a.rfind(L"UPDATE.LOG.", 0), 0u);
    std::wstring longPath = L"C:\\" + std::wstring(400, L'd') + L"\\tool.exe";
    EXPECT_LT(LogLockName(longPath).size(), 260u);
    EXPECT_FALSE(LogLockName(L"").empty());
}
