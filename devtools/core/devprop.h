// Device properties as the device tools see them: the property keys they
// read, and the rendering of a raw property value into a list of strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fwu {

// The platform's GUID layout (Data1..Data4), kept free of Windows headers.
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
};

// A device property key: property set and property id.
struct DevPropKey {
    Guid fmtid;
    uint32_t pid = 0;
};

// Property types the tools render (DEVPROP_TYPE_*).
enum DevPropType : uint32_t {
    kDevPropUint32 = 0x7,
    kDevPropGuid = 0xD,
    kDevPropString = 0x12,
    kDevPropBinary = 0x1003,
    kDevPropStringList = 0x2012,
};

extern const DevPropKey kDevPKeyHardwareIds;      // {A45C254E-...}, 3
extern const DevPropKey kDevPKeyProblemCode;      // {4340A6C5-...}, 3
extern const DevPropKey kDevPKeyFirmwareVersion;  // {540B947E-...}, 18
extern const DevPropKey kDevPKeyDriverInfPath;    // {A8B865DD-...}, 5

// A property value as the platform hands it over: its type and exactly the
// bytes it reported. `ok` is false when the property is missing or could not
// be read.
struct RawProperty {
    bool ok = false;
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
};

// Registry form of a GUID, upper-case hex in braces:
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
std::wstring FormatGuid(const Guid& guid);

// Turns a value into its list of strings:
//   UINT32       one entry, signed decimal (the whole number, however long)
//   GUID         one entry, registry form
//   STRING       one entry (up to the first NUL or the end of the bytes)
//   BINARY       one entry, every byte as two upper-case hex digits
//   STRING_LIST  one entry per string, up to the empty string ending the list
//   other types  no entries
// A value too short for its type (a UINT32 under 4 bytes, a GUID under 16)
// renders as no entries. Strings are UTF-16 code units in little-endian order.
std::vector<std::wstring> RenderDeviceProperty(uint32_t type, const uint8_t* data, size_t size);
std::vector<std::wstring> RenderDeviceProperty(const RawProperty& value);

// The hardware-ID test of the device walk: the first entry that holds
// `target` as a contiguous, case-sensitive substring. Null when none does.
const std::wstring* FindMatchingHardwareId(const std::vector<std::wstring>& hardwareIds, const std::wstring& target);

}  // namespace fwu
