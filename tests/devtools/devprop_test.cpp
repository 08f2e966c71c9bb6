#include "devprop.h"

#include <gtest/gtest.h>

#include "fake_devices.h"

namespace fwu {
namespace {

using test::ListProp;
using test::StringProp;
using test::U32Prop;
using test::Utf16Property;
using Strings = std::vector<std::wstring>;

TEST(RenderDeviceProperty, Uint32IsSignedDecimalOfTheWholeNumber) {
    EXPECT_EQ(RenderDeviceProperty(U32Prop(28)), Strings{L"28"});
    EXPECT_EQ(RenderDeviceProperty(U32Prop(0)), Strings{L"0"});
    EXPECT_EQ(RenderDeviceProperty(U32Prop(0xFFFFFFFFu)), Strings{L"-1"});
    // Ten and eleven characters: rendered whole, never cut to fit a buffer.
    EXPECT_EQ(RenderDeviceProperty(U32Prop(1000000000u)), Strings{L"1000000000"});
    EXPECT_EQ(RenderDeviceProperty(U32Prop(2147483647u)), Strings{L"2147483647"});
    EXPECT_EQ(RenderDeviceProperty(U32Prop(0x80000000u)), Strings{L"-2147483648"});
    EXPECT_EQ(RenderDeviceProperty(U32Prop(uint32_t(-100000000))), Strings{L"-100000000"});
    const uint8_t shortValue[3] = {1, 2, 3};
    EXPECT_TRUE(RenderDeviceProperty(kDevPropUint32, shortValue, 3).empty());
}

TEST(RenderDeviceProperty, GuidInRegistryForm) {
    const uint8_t bytes[16] = {0x4e, 0x25, 0x5c, 0xa4, 0x1c, 0xdf, 0xfd, 0x4e,
                               0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0};
    EXPECT_EQ(RenderDeviceProperty(kDevPropGuid, bytes, 16), Strings{L"{A45C254E-DF1C-4EFD-8020-67D146A850E0}"});
    EXPECT_TRUE(RenderDeviceProperty(kDevPropGuid, bytes, 15).empty());
    EXPECT_EQ(FormatGuid(kDevPKeyDriverInfPath.fmtid), L"{A8B865DD-2E3D-4094-AD97-E593A70C75D6}");
}

TEST(RenderDeviceProperty, StringWithOrWithoutTerminator) {
    EXPECT_EQ(RenderDeviceProperty(StringProp(L"1.2A")), Strings{L"1.2A"});
    EXPECT_EQ(RenderDeviceProperty(Utf16Property(kDevPropString, L"oem12.inf")), Strings{L"oem12.inf"});
    EXPECT_EQ(RenderDeviceProperty(Utf16Property(kDevPropString, std::wstring(L"ab\0cd", 5))), Strings{L"ab"});
}

TEST(RenderDeviceProperty, BinaryIsEveryByteInUpperHex) {
    const uint8_t bytes[] = {0x01, 0xAB, 0x00, 0xff};
    EXPECT_EQ(RenderDeviceProperty(kDevPropBinary, bytes, 2), Strings{L"01AB"});
    EXPECT_EQ(RenderDeviceProperty(kDevPropBinary, bytes, 4), Strings{L"01AB00FF"});
}

TEST(RenderDeviceProperty, StringListEntriesUpToTheEmptyString) {
    EXPECT_EQ(RenderDeviceProperty(ListProp({L"USB\\VID_1234&PID_5678&REV_0100", L"USB\\VID_1234&PID_5678"})),
              (Strings{L"USB\\VID_1234&PID_5678&REV_0100", L"USB\\VID_1234&PID_5678"}));
    EXPECT_TRUE(RenderDeviceProperty(ListProp({})).empty());
    EXPECT_TRUE(RenderDeviceProperty(Utf16Property(kDevPropStringList, L"")).empty());
    // Strings behind the terminating empty string are not entries.
    EXPECT_EQ(RenderDeviceProperty(Utf16Property(kDevPropStringList, std::wstring(L"a\0\0b\0\0", 6))),
              Strings{L"a"});
    // A list whose last entry lacks its terminator keeps that entry.
    EXPECT_EQ(RenderDeviceProperty(Utf16Property(kDevPropStringList, std::wstring(L"a\0bc", 4))),
              (Strings{L"a", L"bc"}));
    // An odd trailing byte is no code unit.
    RawProperty odd = ListProp({L"x"});
    odd.bytes.push_back(0x41);
    EXPECT_EQ(RenderDeviceProperty(odd), Strings{L"x"});
}

TEST(RenderDeviceProperty, OtherTypesAndFailedReadsGiveNoEntries) {
    const uint8_t one = 1;
    EXPECT_TRUE(RenderDeviceProperty(0x11 /* BOOLEAN */, &one, 1).empty());
    EXPECT_TRUE(RenderDeviceProperty(0x3 /* BYTE */, &one, 1).empty());
    RawProperty failed = StringProp(L"x");
    failed.ok = false;
    EXPECT_TRUE(RenderDeviceProperty(failed).empty());
    EXPECT_TRUE(RenderDeviceProperty(kDevPropString, nullptr, 8) == Strings{L""});
}

TEST(FindMatchingHardwareId, CaseSensitiveSubstringFirstEntryDecides) {
    const Strings ids{L"USB\\VID_1234&PID_5678&REV_0100", L"USB\\VID_1234&PID_5678"};
    const std::wstring* hit = FindMatchingHardwareId(ids, L"USB\\VID_1234&PID_5678");
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(*hit, ids[0]);
    hit = FindMatchingHardwareId(ids, L"PID_5678");
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(*hit, ids[0]);
    hit = FindMatchingHardwareId(ids, L"5678&REV");
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit, &ids[0]);
    EXPECT_EQ(FindMatchingHardwareId(ids, L"usb\\vid_1234"), nullptr);
    EXPECT_EQ(FindMatchingHardwareId(ids, L"USB\\VID_1234&PID_5678&REV_01000"), nullptr);
    EXPECT_EQ(FindMatchingHardwareId({}, L"USB"), nullptr);
    const Strings later{L"ACPI\\PNP0A08", L"PCI\\VEN_8086&DEV_1234"};
    hit = FindMatchingHardwareId(later, L"VEN_8086");
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(*hit, later[1]);
}

}  // namespace
}  // namespace fwu
