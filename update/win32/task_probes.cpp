// The machine probes on Windows: the raw SMBIOS table through
// GetSystemFirmwareTable, the disk drives through WMI, the WOW64 test.
#include <windows.h>
#include <objbase.h>
#include <wbemcli.h>

#include "handle.h"
#include "probes.h"
#include "task_services_win32.h"

namespace upd {

namespace {

class CWin32FirmwareTables final : public IFirmwareTableSource {
public:
    uint32_t GetSystemFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t size) override {
        return ::GetSystemFirmwareTable(provider, tableId, buffer, size);
    }
};

// The whole string, however long (CP_ACP, as the firmware's 8-bit text).
std::wstring AnsiToWideText(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), n);
    if (n <= 0) return std::wstring();
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

struct BstrTraits {
    using Handle = BSTR;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::SysFreeString(h); }
};
using UniqueBstr = fwu::UniqueResource<BstrTraits>;

class CVariant {
public:
    CVariant() { ::VariantInit(&v); }
    ~CVariant() { ::VariantClear(&v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    // The text of a string value, whole; empty for null or other types.
    std::wstring Text() const {
        if (v.vt != VT_BSTR || v.bstrVal == nullptr) return std::wstring();
        return std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal));
    }
    VARIANT v;
};

class CWmiDiskDrives final : public IDiskDriveSource {
public:
    DiskQueryStatus FirstIdeDriveValue(const std::wstring& property, std::wstring* value) override {
        HRESULT hr = ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_SECURE_REFS, nullptr);
        if (FAILED(hr) && hr != RPC_E_TOO_LATE) return DiskQueryStatus::kSecurityFailed;

        fwu::ComPtr<IWbemLocator> locator;
        if (FAILED(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_ALL, IID_IWbemLocator, locator.put_void())))
            return DiskQueryStatus::kLocatorFailed;
        fwu::ComPtr<IWbemServices> services;
        UniqueBstr ns(::SysAllocString(L"root\\cimv2"));
        hr = locator->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put());
        if (FAILED(hr)) return DiskQueryStatus::kConnectFailed;
        hr = ::CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
        if (FAILED(hr)) return DiskQueryStatus::kBlanketFailed;
        fwu::ComPtr<IEnumWbemClassObject> drives;
        UniqueBstr language(::SysAllocString(L"WQL"));
        UniqueBstr query(::SysAllocString(L"SELECT * FROM Win32_DiskDrive"));
        hr = services->ExecQuery(language.get(), query.get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                 nullptr, drives.put());
        if (FAILED(hr)) return DiskQueryStatus::kQueryFailed;

        value->clear();
        for (;;) {
            fwu::ComPtr<IWbemClassObject> drive;
            ULONG returned = 0;
            if (drives->Next(static_cast<LONG>(WBEM_INFINITE), 1, drive.put(), &returned) != WBEM_S_NO_ERROR ||
                returned == 0)
                break;
            CVariant type;
            if (FAILED(drive->Get(L"InterfaceType", 0, &type.v, nullptr, nullptr))) continue;
            if (::lstrcmpiW(type.Text().c_str(), L"IDE") != 0) continue;
            CVariant wanted;
            if (SUCCEEDED(drive->Get(property.c_str(), 0, &wanted.v, nullptr, nullptr))) *value = wanted.Text();
            break;
        }
        return DiskQueryStatus::kOk;
    }
};

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

}  // namespace

CWin32Probes::CWin32Probes()
    : m_tables(std::make_unique<CWin32FirmwareTables>()), m_disks(std::make_unique<CWmiDiskDrives>()) {}

CWin32Probes::~CWin32Probes() = default;

IFirmwareTableSource& CWin32Probes::FirmwareTables() { return *m_tables; }

std::wstring CWin32Probes::AnsiToWide(const std::string& text) { return AnsiToWideText(text); }

IDiskDriveSource& CWin32Probes::DiskDrives() { return *m_disks; }

bool CWin32Probes::IsWow64() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32");
    if (!kernel) return false;
    auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
    if (!isWow64Process) return false;
    BOOL wow64 = FALSE;
    if (!isWow64Process(::GetCurrentProcess(), &wow64)) return false;
    return wow64 != FALSE;
}

}  // namespace upd
