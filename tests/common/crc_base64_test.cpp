#include <gtest/gtest.h>

#include <string>

#include "base64.h"
#include "crc32.h"

TEST(CBCrc32, KnownCheckValues) {
    CBCrc32 crc;
    const std::string check = "123456789";
    EXPECT_EQ(crc.Calc(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
    EXPECT_EQ(crc.Calc(nullptr, 0), 0u);
    const uint8_t zero = 0;
    EXPECT_EQ(crc.Calc(&zero, 1), 0xD202EF8Du);
}

TEST(Base64, RoundTripsEveryLengthModThree) {
    std::vector<uint8_t> data;
    for (int n = 0; n < 40; ++n) {
        std::wstring text = fwu::Base64Encode(data.data(), data.size());
        EXPECT_EQ(text.size() % 4, 0u);
        std::vector<uint8_t> back;
        ASSERT_TRUE(fwu::Base64Decode(text, back)) << n;
        EXPECT_EQ(back, data);
        data.push_back(uint8_t(n * 37 + 11));
    }
}

TEST(Base64, KnownVectorsAndWhiteSpace) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(fwu::Base64Decode(L"Zm9vYmFy", out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "foobar");
    ASSERT_TRUE(fwu::Base64Decode(L" Zm9v\r\nYg== ", out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "foob");
    ASSERT_TRUE(fwu::Base64Decode(L"", out));
    EXPECT_TRUE(out.empty());
}

TEST(Base64, RejectsMalformedText) {
    std::vector<uint8_t> out;
    EXPECT_FALSE(fwu::Base64Decode(L"Zm9v!mFy", out));
    EXPECT_FALSE(fwu::Base64Decode(L"Zg==Zg==", out));  // data after padding
    EXPECT_FALSE(fwu::Base64Decode(L"Z", out));
    EXPECT_FALSE(fwu::Base64Decode(L"Zm9vY", out));
    EXPECT_FALSE(fwu::Base64Decode(L"Zg===", out));
    EXPECT_FALSE(fwu::Base64Decode(L"Zm9v\u00e9", out));
}
