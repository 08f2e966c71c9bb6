#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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

namespace {
// The definition, one bit at a time.
uint32_t BitwiseCrc32(const uint8_t* bytes, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}
}  // namespace

// Every length and start around the eight-byte steps, over bytes of every value.
TEST(CBCrc32, AgreesWithTheBitwiseDefinitionAtEveryLengthAndStart) {
    std::vector<uint8_t> data(300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 151 + 7 + (i >> 8));
    const CBCrc32 crc;
    for (size_t start = 0; start < 9; ++start)
        for (size_t length = 0; start + length <= data.size(); ++length)
            ASSERT_EQ(crc.Calc(data.data() + start, length), BitwiseCrc32(data.data() + start, length))
                << "start " << start << ", length " << length;
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
