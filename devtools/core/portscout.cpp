#include "tools.h"

#include "text.h"

namespace fwu {

namespace {

int DigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'z') return c - L'a' + 10;
    if (c >= L'A' && c <= L'Z') return c - L'A' + 10;
    return 99;
}

bool IsWhiteSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

const Guid kUsbHub{0xf18a0e88, 0xc30c, 0x11d0, {0x88, 0x15, 0x00, 0xa0, 0xc9, 0x06, 0xbe, 0xd8}};
const Guid kUsbBillboard{0x5e9adaef, 0xf879, 0x473f, {0xb8, 0x07, 0x4e, 0x5e, 0xa7, 0x7d, 0x1b, 0x1c}};
const Guid kUsbDevice{0xa5dcbf10, 0x6530, 0x11d2, {0x90, 0x1f, 0x00, 0xc0, 0x4f, 0xb9, 0x51, 0xed}};
const Guid kUsbHostController{0x3abf6f2d, 0x71c4, 0x462a, {0x8a, 0x92, 0x1e, 0x68, 0x61, 0xe6, 0xaf, 0x27}};

}  // namespace

bool ParseUnsignedOption(const std::wstring& text, uint32_t* value) {
    size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    unsigned base = 10;
    if (i < text.size() && text[i] == L'0') {
        // "0x" counts as a prefix only when a hexadecimal digit follows;
        // otherwise the 0 is an octal number of its own.
        if (i + 2 < text.size() && (text[i + 1] == L'x' || text[i + 1] == L'X') && DigitValue(text[i + 2]) < 16) {
            base = 16;
            i += 2;
        } else {
            base = 8;
        }
    }
    size_t start = i;
    uint64_t magnitude = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        int d = DigitValue(text[i]);
        if (d >= int(base)) break;
        magnitude = magnitude * base + unsigned(d);
        if (magnitude > UINT32_MAX) {
            overflow = true;
            magnitude = UINT32_MAX;
        }
    }
    if (i == start || i != text.size()) return false;
    if (overflow) {
        *value = UINT32_MAX;
    } else {
        *value = negative ? 0u - static_cast<uint32_t>(magnitude) : static_cast<uint32_t>(magnitude);
    }
    return true;
}

uint32_t UnsignedOptionOr(const std::wstring& text, uint32_t fallback) {
    uint32_t value = 0;
    return ParseUnsignedOption(text, &value) ? value : fallback;
}

Guid UsbInterfaceClass(uint32_t type) {
    switch (type) {
    case 0: return kUsbHub;
    case 1: return kUsbBillboard;
    case 3: return kUsbHostController;
    default: return kUsbDevice;
    }
}

std::wstring UsbSearchPattern(uint32_t vid, uint32_t pid) {
    return ToUpperAscii(FormatString(L"VID_%04X&PID_%04X", static_cast<unsigned>(vid), static_cast<unsigned>(pid)));
}

int32_t PortscoutSearch(IDeviceSystem& system, IToolLog& log, uint32_t type, uint32_t vid, uint32_t pid) {
    uint32_t error = 0;
    std::unique_ptr<IDeviceList> devices = system.OpenInterfaceClass(UsbInterfaceClass(type), &error);
    if (!devices) {
        LogLine(log, L"SetupDiGetClassDevsEx failed (%d).", static_cast<int>(error));
        return 11;
    }
    const std::wstring pattern = UsbSearchPattern(vid, pid);
    for (uint32_t index = 0; devices->SelectDevice(index); ++index) {
        RawProperty ids = devices->GetProperty(kDevPKeyHardwareIds);
        if (!ids.ok || ids.bytes.empty()) continue;
        if (ids.type != kDevPropString && ids.type != kDevPropStringList) continue;
        for (const std::wstring& candidate : RenderDeviceProperty(ids)) {
            LogLine(log, L"Check: %ls.", candidate.c_str());
            std::wstring upper = ToUpperAscii(candidate);
            if (upper.find(pattern) != std::wstring::npos) {
                LogLine(log, L"Found: %ls.", upper.c_str());
                return 1;
            }
        }
    }
    return 0;
}

int32_t RunPortscout(uint32_t vid, uint32_t pid, uint32_t type, IDeviceSystem& system, IToolLog& log) {
    if (vid == 0 && pid == 0) {
        log.Line(L"parameter error.");
        return kExitMissingOption;
    }
    LogLine(log, L"Target: VID=0x%04X PID=0x%04X.", static_cast<unsigned>(vid), static_cast<unsigned>(pid));
    int32_t code = PortscoutSearch(system, log, type, vid, pid);
    LogLine(log, L"return %d.", static_cast<int>(code));
    return code;
}

}  // namespace fwu
