#include <gtest/gtest.h>

#include <vector>

#include "bytes.h"

using namespace fwu;

TEST(HashText, UpperCaseTwoDigitsPerByte) {
    const uint8_t digest[] = {0x00, 0x0f, 0xa5, 0xff};
    EXPECT_EQ(HexText(digest, 4), L"000FA5FF");
    EXPECT_EQ(HexText(digest, 0), L"");
}

TEST(LittleEndian, NumbersLowByteFirst) {
    const uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12, 0xFF};
    EXPECT_EQ(ReadLe16(bytes), 0x5678u);
    EXPECT_EQ(ReadLe32(bytes), 0x12345678u);
    EXPECT_EQ(ReadLe32(bytes + 1), 0xFF123456u);  // the top byte does not sign-extend
    std::vector<uint8_t> out{0xAA};
    AppendLe32(out, 0x80000001u);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xAA, 0x01, 0x00, 0x00, 0x80}));
}

TEST(Utf16Le, UnitsBothWaysAndAnOddByte) {
    const std::u16string units = u"A\u00E9\u20AC\xD83D\xDE00";
    std::vector<uint8_t> bytes{0xFF, 0xFE};
    AppendUtf16Le(bytes, units);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xFF, 0xFE, 0x41, 0x00, 0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(Utf16LeUnits(bytes.data() + 2, bytes.size() - 2), units);
    bytes.push_back(0x42);  // half a code unit
    EXPECT_EQ(Utf16LeUnits(bytes.data() + 2, bytes.size() - 2), units);
    EXPECT_EQ(Utf16LeUnits(bytes.data(), 1), u"");
    EXPECT_EQ(Utf16LeUnits(nullptr, 0), u"");
}
