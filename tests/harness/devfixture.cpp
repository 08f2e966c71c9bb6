// Test fixture: creates root-enumerated devices in the (throwaway) Wine
// prefix, with chosen properties, and lists or removes them. Console program;
// one device per run unless /COUNT: asks for more.
//   /HWID:a|b|c    hardware IDs as a multi-string list ('|' separates entries)
//   /HWIDSZ:text   hardware ID as a single string (DEVPROP_TYPE_STRING)
//   /PROB:n        problem code (DEVPROP_TYPE_UINT32)
//   /FW:text       firmware version (string)
//   /INF:text      INF name of the driver (string)
//   /EMPTYINF      an INF name that is an empty string
//   /BIN:hex       a binary property (DEVPKEY_Device_FirmwareVersion's id 19
//                  of the same property set), for reading back raw bytes
//   /IFACE:n,..    also expose USB device interfaces (0 hub, 1 billboard,
//                  2 device, 3 host controller)
//   /COUNT:n       create n devices; "#" in the hardware IDs becomes the index
//   /REMOVE        remove every device this fixture created
//   /DUMP          print the hardware IDs and properties of every present device
//   /WALK:target   time the tools' device walk in this process (/REPEAT:n
//                  times) and the USB interface search of Portscout
// Prints "started" first (a run that printed nothing was lost by Wine before
// it began and may be repeated), then "created <instance id>" per device,
// "removed N", or the dump lines; exits 0 on success, 1 on failure (with
// "error <step> <code>").
#include <windows.h>
#include <setupapi.h>
#include <devpropdef.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cmdline_win32.h"
#include "number.h"
#include "setupapi_devices.h"
#include "text.h"
#include "tools.h"

extern "C" WINSETUPAPI BOOL WINAPI SetupDiSetDevicePropertyW(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*,
                                                              DEVPROPTYPE, const BYTE*, DWORD, DWORD);

namespace {

constexpr DEVPROPKEY kHardwareIds{{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 3};
constexpr DEVPROPKEY kProblemCode{{0x4340a6c5, 0x93fa, 0x4706, {0x97, 0x2c, 0x7b, 0x64, 0x80, 0x08, 0xa5, 0xa7}}, 3};
constexpr DEVPROPKEY kFirmwareVersion{{0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}},
                                      18};
constexpr DEVPROPKEY kBinaryProbe{{0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}}, 19};
constexpr DEVPROPKEY kDriverInfPath{{0xa8b865dd, 0x2e3d, 0x4094, {0xad, 0x97, 0xe5, 0x93, 0xa7, 0x0c, 0x75, 0xd6}},
                                    5};

// A setup class of our own, so that no real class installer is involved.
constexpr GUID kFixtureClass{0x6d1f5a30, 0x7c2b, 0x4e11, {0x9a, 0x41, 0x3c, 0x52, 0x0e, 0x77, 0x18, 0xa4}};
constexpr wchar_t kFixtureName[] = L"FWUFIXTURE";

constexpr GUID kUsbClasses[4] = {
    {0xf18a0e88, 0xc30c, 0x11d0, {0x88, 0x15, 0x00, 0xa0, 0xc9, 0x06, 0xbe, 0xd8}},
    {0x5e9adaef, 0xf879, 0x473f, {0xb8, 0x07, 0x4e, 0x5e, 0xa7, 0x7d, 0x1b, 0x1c}},
    {0xa5dcbf10, 0x6530, 0x11d2, {0x90, 0x1f, 0x00, 0xc0, 0x4f, 0xb9, 0x51, 0xed}},
    {0x3abf6f2d, 0x71c4, 0x462a, {0x8a, 0x92, 0x1e, 0x68, 0x61, 0xe6, 0xaf, 0x27}},
};

struct DevInfoList {
    HDEVINFO h = INVALID_HANDLE_VALUE;
    ~DevInfoList() {
        if (h != INVALID_HANDLE_VALUE) ::SetupDiDestroyDeviceInfoList(h);
    }
};

int Fail(const char* step) {
    std::printf("error %s %lu\n", step, ::GetLastError());
    return 1;
}

std::vector<BYTE> MultiString(const std::vector<std::wstring>& entries) {
    std::wstring joined;
    for (const auto& e : entries) {
        joined += e;
        joined.push_back(L'\0');
    }
    joined.push_back(L'\0');
    const BYTE* p = reinterpret_cast<const BYTE*>(joined.data());
    return std::vector<BYTE>(p, p + joined.size() * sizeof(wchar_t));
}

std::vector<BYTE> StringBytes(const std::wstring& s) {
    const BYTE* p = reinterpret_cast<const BYTE*>(s.c_str());
    return std::vector<BYTE>(p, p + (s.size() + 1) * sizeof(wchar_t));
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t sep) {
    std::vector<std::wstring> out;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(sep, start);
        out.push_back(text.substr(start, pos - start));
        if (pos == std::wstring::npos) break;
        start = pos + 1;
    }
    return out;
}

bool SetProperty(HDEVINFO set, SP_DEVINFO_DATA* dev, const DEVPROPKEY& key, DEVPROPTYPE type,
                 const std::vector<BYTE>& value) {
    return ::SetupDiSetDevicePropertyW(set, dev, &key, type, value.data(), DWORD(value.size()), 0) != FALSE;
}

std::wstring InstanceId(HDEVINFO set, SP_DEVINFO_DATA* dev) {
    wchar_t id[512] = L"";
    ::SetupDiGetDeviceInstanceIdW(set, dev, id, 512, nullptr);
    return id;
}

struct FixtureDevice {
    std::wstring hwid, hwidsz, prob, fw, inf, bin, iface;
    bool emptyInf = false;
};

std::wstring WithIndex(const std::wstring& text, int index) {
    return fwu::ReplaceAll(text, L"#", std::to_wstring(index));
}

int CreateOne(const FixtureDevice& s, int index) {
    DevInfoList set;
    set.h = ::SetupDiCreateDeviceInfoList(&kFixtureClass, nullptr);
    if (set.h == INVALID_HANDLE_VALUE) return Fail("SetupDiCreateDeviceInfoList");
    SP_DEVINFO_DATA dev{};
    dev.cbSize = sizeof(dev);
    if (!::SetupDiCreateDeviceInfoW(set.h, kFixtureName, &kFixtureClass, nullptr, nullptr, DICD_GENERATE_ID, &dev))
        return Fail("SetupDiCreateDeviceInfoW");
    if (!::SetupDiRegisterDeviceInfo(set.h, &dev, 0, nullptr, nullptr, nullptr))
        return Fail("SetupDiRegisterDeviceInfo");
    if (!s.hwid.empty()) {
        auto list = MultiString(Split(WithIndex(s.hwid, index), L'|'));
        if (!SetProperty(set.h, &dev, kHardwareIds, DEVPROP_TYPE_STRING_LIST, list)) return Fail("HardwareIds");
    }
    if (!s.hwidsz.empty() &&
        !SetProperty(set.h, &dev, kHardwareIds, DEVPROP_TYPE_STRING, StringBytes(WithIndex(s.hwidsz, index))))
        return Fail("HardwareIds(string)");
    if (!s.prob.empty()) {
        uint32_t value = 0;
        fwu::ParseUnsignedAuto(s.prob, &value);
        std::vector<BYTE> bytes(reinterpret_cast<BYTE*>(&value), reinterpret_cast<BYTE*>(&value) + 4);
        if (!SetProperty(set.h, &dev, kProblemCode, DEVPROP_TYPE_UINT32, bytes)) return Fail("ProblemCode");
    }
    if (!s.fw.empty() && !SetProperty(set.h, &dev, kFirmwareVersion, DEVPROP_TYPE_STRING, StringBytes(s.fw)))
        return Fail("FirmwareVersion");
    if (!s.inf.empty() && !SetProperty(set.h, &dev, kDriverInfPath, DEVPROP_TYPE_STRING, StringBytes(s.inf)))
        return Fail("DriverInfPath");
    if (s.emptyInf && !SetProperty(set.h, &dev, kDriverInfPath, DEVPROP_TYPE_STRING, StringBytes(L"")))
        return Fail("DriverInfPath(empty)");
    if (!s.bin.empty()) {
        std::vector<BYTE> bytes;
        for (size_t i = 0; i + 1 < s.bin.size(); i += 2)
            bytes.push_back(BYTE(std::wcstoul(s.bin.substr(i, 2).c_str(), nullptr, 16)));
        if (!SetProperty(set.h, &dev, kBinaryProbe, DEVPROP_TYPE_BINARY, bytes)) return Fail("Binary");
    }
    if (!s.iface.empty()) {
        for (const auto& t : Split(s.iface, L',')) {
            int type = fwu::ParseConfigNumber(t, 2);
            if (type < 0 || type > 3) type = 2;
            SP_DEVICE_INTERFACE_DATA iface{};
            iface.cbSize = sizeof(iface);
            if (!::SetupDiCreateDeviceInterfaceW(set.h, &dev, &kUsbClasses[type], nullptr, 0, &iface))
                return Fail("SetupDiCreateDeviceInterfaceW");
        }
    }
    std::printf("created %s\n", fwu::ToUtf8(InstanceId(set.h, &dev)).c_str());
    return 0;
}

int RemoveAll() {
    DevInfoList set;
    set.h = ::SetupDiGetClassDevsW(&kFixtureClass, nullptr, nullptr, 0);
    if (set.h == INVALID_HANDLE_VALUE) return Fail("SetupDiGetClassDevsW");
    int removed = 0;
    SP_DEVINFO_DATA dev{};
    dev.cbSize = sizeof(dev);
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set.h, i, &dev); ++i) {
        if (::SetupDiRemoveDevice(set.h, &dev)) ++removed;
    }
    std::printf("removed %d\n", removed);
    return 0;
}

std::wstring Render(HDEVINFO set, SP_DEVINFO_DATA* dev, const DEVPROPKEY& key) {
    DEVPROPTYPE type = 0;
    DWORD size = 0;
    BOOL ok1 = ::SetupDiGetDevicePropertyW(set, dev, &key, &type, nullptr, 0, &size, 0);
    DWORD err1 = ::GetLastError();
    std::vector<BYTE> buffer(size);
    DWORD size2 = 0;
    BOOL ok = ::SetupDiGetDevicePropertyW(set, dev, &key, &type, buffer.data(), size, &size2, 0);
    DWORD err2 = ::GetLastError();
    wchar_t head[96];
    std::swprintf(head, 96, L"[q%d/%lu size %lu r%d/%lu type 0x%lX] ", ok1, err1, size, ok, err2, type);
    std::wstring out = head;
    if (!ok) return out;
    if (type == DEVPROP_TYPE_STRING || type == DEVPROP_TYPE_STRING_LIST) {
        const wchar_t* p = reinterpret_cast<const wchar_t*>(buffer.data());
        size_t n = size / sizeof(wchar_t);
        for (size_t i = 0; i < n; ++i) out.push_back(p[i] ? p[i] : L'|');
    } else {
        for (DWORD i = 0; i < size2; ++i) {
            wchar_t hex[4];
            std::swprintf(hex, 4, L"%02X", buffer[i]);
            out += hex;
        }
    }
    return out;
}

int Dump(const std::wstring& ifaceType) {
    DevInfoList set;
    if (ifaceType.empty()) {
        set.h = ::SetupDiGetClassDevsExW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES, nullptr,
                                         nullptr, nullptr);
    } else {
        int type = fwu::ParseConfigNumber(ifaceType, 2);
        if (type < 0 || type > 3) type = 2;
        set.h = ::SetupDiGetClassDevsExW(&kUsbClasses[type], nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE,
                                         nullptr, nullptr, nullptr);
    }
    if (set.h == INVALID_HANDLE_VALUE) return Fail("SetupDiGetClassDevsExW");
    SP_DEVINFO_DATA dev{};
    dev.cbSize = sizeof(dev);
    DWORD i = 0;
    for (; ::SetupDiEnumDeviceInfo(set.h, i, &dev); ++i) {
        std::wstring line = L"dev " + InstanceId(set.h, &dev) + L"\n  hwid " + Render(set.h, &dev, kHardwareIds) +
                            L"\n  prob " + Render(set.h, &dev, kProblemCode) + L"\n  fw " +
                            Render(set.h, &dev, kFirmwareVersion) + L"\n  inf " + Render(set.h, &dev, kDriverInfPath) +
                            L"\n  bin " + Render(set.h, &dev, kBinaryProbe);
        std::printf("%s\n", fwu::ToUtf8(line).c_str());
    }
    std::printf("end %lu devices, last error %lu\n", i, ::GetLastError());
    return 0;
}

class NullLog final : public fwu::IToolLog {
public:
    void Line(const std::wstring&) override {}
};

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(f.QuadPart);
}

int Bench(const std::wstring& target, int repeat) {
    fwu::CSetupApiDeviceSystem system;
    NullLog log;
    int devices = 0, matches = 0;
    LARGE_INTEGER t0, t1;
    ::QueryPerformanceCounter(&t0);
    for (int i = 0; i < repeat; ++i) {
        matches = 0;
        fwu::EnumerateMatchingDevices(system, log, target, [&](fwu::IDeviceList&) {
            ++matches;
            return fwu::WalkStep::Continue;
        });
    }
    ::QueryPerformanceCounter(&t1);
    {
        uint32_t error = 0;
        auto list = system.OpenPresentDevices(&error);
        while (list && list->SelectDevice(uint32_t(devices))) ++devices;
    }
    std::printf("walk: %d present devices, %d matching: %.2f ms per walk (%d walks)\n", devices, matches,
                Milliseconds(t0, t1) / repeat, repeat);
    ::QueryPerformanceCounter(&t0);
    for (int i = 0; i < repeat; ++i) fwu::PortscoutSearch(system, log, 2, 0xFFFF, 0xFFFF);
    ::QueryPerformanceCounter(&t1);
    std::printf("usb interface search (not found): %.2f ms per search\n", Milliseconds(t0, t1) / repeat);
    return 0;
}

}  // namespace

int wmain() {
    std::printf("started\n");
    std::fflush(stdout);
    FixtureDevice s;
    std::wstring count, dumpType, walk, repeat;
    int32_t remove = 0, dump = 0, emptyInf = 0;
    {
        CParseParam params(fwu::ProcessArguments());
        s.hwid = params.Find(L"HWID:", nullptr);
        s.hwidsz = params.Find(L"HWIDSZ:", nullptr);
        s.prob = params.Find(L"PROB:", nullptr);
        s.fw = params.Find(L"FW:", nullptr);
        s.inf = params.Find(L"INF:", nullptr);
        s.bin = params.Find(L"BIN:", nullptr);
        s.iface = params.Find(L"IFACE:", nullptr);
        count = params.Find(L"COUNT:", nullptr);
        dumpType = params.Find(L"DUMPIFACE:", nullptr);
        walk = params.Find(L"WALK:", nullptr);
        repeat = params.Find(L"REPEAT:", nullptr);
        params.Find(L"REMOVE", &remove);
        params.Find(L"DUMP", &dump);
        params.Find(L"EMPTYINF", &emptyInf);
        s.emptyInf = emptyInf != 0;
    }
    if (remove) return RemoveAll();
    if (!walk.empty()) {
        int runs = fwu::ParseConfigNumber(repeat, 10);
        return Bench(walk, runs > 0 ? runs : 1);
    }
    if (dump || !dumpType.empty()) return Dump(dumpType);
    int n = fwu::ParseConfigNumber(count, 1);
    for (int i = 0; i < n; ++i) {
        int rc = CreateOne(s, i);
        if (rc != 0) return rc;
    }
    std::fflush(stdout);
    return 0;
}
