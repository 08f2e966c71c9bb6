#include "devprop.h"

#include <cstdio>
#include <cstring>

#include "bytes.h"
#include "text.h"

namespace fwu {

const DevPropKey kDevPKeyHardwareIds{{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}},
                                     3};
const DevPropKey kDevPKeyProblemCode{{0x4340a6c5, 0x93fa, 0x4706, {0x97, 0x2c, 0x7b, 0x64, 0x80, 0x08, 0xa5, 0xa7}},
                                     3};
const DevPropKey kDevPKeyFirmwareVersion{
    {0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}}, 18};
const DevPropKey kDevPKeyDriverInfPath{{0xa8b865dd, 0x2e3d, 0x4094, {0xad, 0x97, 0xe5, 0x93, 0xa7, 0x0c, 0x75, 0xd6}},
                                       5};

std::wstring FormatGuid(const Guid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.data1),
                  unsigned(g.data2), unsigned(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                  g.data4[5], g.data4[6], g.data4[7]);
    return std::wstring(text, text + std::strlen(text));
}

std::vector<std::wstring> RenderDeviceProperty(uint32_t type, const uint8_t* data, size_t size) {
    std::vector<std::wstring> out;
    if (data == nullptr) size = 0;
    switch (type) {
    case kDevPropUint32:
        if (size >= 4) out.push_back(std::to_wstring(static_cast<int32_t>(ReadLe32(data))));
        break;
    case kDevPropGuid:
        if (size >= 16) {
            Guid g;
            g.data1 = ReadLe32(data);
            g.data2 = ReadLe16(data + 4);
            g.data3 = ReadLe16(data + 6);
            std::memcpy(g.data4, data + 8, 8);
            out.push_back(FormatGuid(g));
        }
        break;
    case kDevPropString: {
        std::u16string units = Utf16LeUnits(data, size);
        size_t end = units.find(u'\0');
        if (end == std::u16string::npos) end = units.size();
        out.push_back(FromUtf16(units.data(), end));
        break;
    }
    case kDevPropBinary:
        out.push_back(HexText(data, size));
        break;
    case kDevPropStringList: {
        std::u16string units = Utf16LeUnits(data, size);
        size_t pos = 0;
        while (pos < units.size()) {
            size_t end = units.find(u'\0', pos);
            if (end == std::u16string::npos) end = units.size();  // unterminated last entry
            if (end == pos) break;                                 // the empty string ends the list
            out.push_back(FromUtf16(units.data() + pos, end - pos));
            pos = end + 1;
        }
        break;
    }
    default:
        break;
    }
    return out;
}

std::vector<std::wstring> RenderDeviceProperty(const RawProperty& value) {
    if (!value.ok) return {};
    return RenderDeviceProperty(value.type, value.bytes.data(), value.bytes.size());
}

const std::wstring* FindMatchingHardwareId(const std::vector<std::wstring>& hardwareIds, const std::wstring& target) {
    for (const auto& id : hardwareIds)
        if (id.find(target) != std::wstring::npos) return &id;
    return nullptr;
}

}  // namespace fwu
