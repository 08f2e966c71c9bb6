// Renders arbitrary property values of every type the device tools read,
// from a buffer of exactly the reported size, and runs the hardware-ID
// match over the result.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "devprop.h"

namespace {

bool IsHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'); }

void CheckShape(uint32_t type, size_t size, const std::vector<std::wstring>& out) {
    switch (type) {
    case fwu::kDevPropUint32:
        if (out.size() != (size >= 4 ? 1u : 0u)) __builtin_trap();
        break;
    case fwu::kDevPropGuid:
        if (out.size() != (size >= 16 ? 1u : 0u)) __builtin_trap();
        if (!out.empty() && (out[0].size() != 38 || out[0].front() != L'{' || out[0].back() != L'}'))
            __builtin_trap();
        break;
    case fwu::kDevPropString:
        if (out.size() != 1 || out[0].size() > size / 2 || out[0].find(L'\0') != std::wstring::npos)
            __builtin_trap();
        break;
    case fwu::kDevPropBinary:
        if (out.size() != 1 || out[0].size() != 2 * size) __builtin_trap();
        for (wchar_t c : out[0])
            if (!IsHex(c)) __builtin_trap();
        break;
    case fwu::kDevPropStringList: {
        size_t units = 0;
        for (const auto& s : out) {
            if (s.empty() || s.find(L'\0') != std::wstring::npos) __builtin_trap();
            units += s.size() + 1;
        }
        if (units > size / 2 + 1) __builtin_trap();
        break;
    }
    default:
        if (!out.empty()) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const uint32_t kTypes[] = {fwu::kDevPropUint32, fwu::kDevPropGuid, fwu::kDevPropString,
                                      fwu::kDevPropBinary, fwu::kDevPropStringList};
    uint32_t type;
    if (data[0] < 5 * 48) {
        type = kTypes[data[0] % 5];
        ++data;
        --size;
    } else {
        if (size < 5) return 0;
        std::memcpy(&type, data + 1, 4);  // any other type the platform could report
        data += 5;
        size -= 5;
    }
    // Exactly the reported bytes, so that a read past them is caught.
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(buffer.get(), data, size);
    std::vector<std::wstring> out = fwu::RenderDeviceProperty(type, size ? buffer.get() : nullptr, size);
    CheckShape(type, size, out);

    fwu::RawProperty raw;
    raw.ok = true;
    raw.type = type;
    raw.bytes.assign(data, data + size);
    if (fwu::RenderDeviceProperty(raw) != out) __builtin_trap();
    raw.ok = false;
    if (!fwu::RenderDeviceProperty(raw).empty()) __builtin_trap();

    // The match: the first entry that holds the target, taken from the value.
    std::wstring target = out.empty() ? std::wstring() : out[0].substr(out[0].size() / 2);
    const std::wstring* hit = fwu::FindMatchingHardwareId(out, target);
    if (!out.empty() && hit != &out[0]) __builtin_trap();
    if (hit == nullptr && !out.empty()) __builtin_trap();
    return 0;
}
