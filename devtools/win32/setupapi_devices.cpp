#include "setupapi_devices.h"

#include <cstring>
#include <new>
#include <utility>

#include "sized_read.h"

namespace fwu {

// The property types the portable renderer restates.
static_assert(kDevPropUint32 == DEVPROP_TYPE_UINT32 && kDevPropGuid == DEVPROP_TYPE_GUID);
static_assert(kDevPropString == DEVPROP_TYPE_STRING && kDevPropBinary == DEVPROP_TYPE_BINARY);
static_assert(kDevPropStringList == DEVPROP_TYPE_STRING_LIST);

DEVPROPKEY ToDevPropKey(const DevPropKey& key) {
    DEVPROPKEY out{};
    out.fmtid = ToGuid(key.fmtid);
    out.pid = key.pid;
    return out;
}

GUID ToGuid(const Guid& guid) {
    GUID out{};
    out.Data1 = guid.data1;
    out.Data2 = guid.data2;
    out.Data3 = guid.data3;
    std::memcpy(out.Data4, guid.data4, sizeof out.Data4);
    return out;
}

RawProperty GetRawDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, const DEVPROPKEY& key) {
    RawProperty value;
    DEVPROPTYPE type = 0;
    std::vector<BYTE> buffer;
    // The size query fails by design; its size stays 0 when the device
    // lacks the property.
    const bool read = ReadSized(
        [&](BYTE* data, size_t capacity) {
            DWORD size = 0;
            BOOL ok = ::SetupDiGetDevicePropertyW(set, device, &key, &type, data, DWORD(capacity), &size, 0);
            return SizedAnswer{ok != FALSE, size};
        },
        buffer);
    if (!read) return value;
    value.ok = true;
    value.type = type;
    value.bytes.assign(buffer.begin(), buffer.end());
    return value;
}

CSetupApiDeviceList::CSetupApiDeviceList(UniqueDevInfo set) : m_set(std::move(set)) { m_device.cbSize = sizeof(m_device); }

bool CSetupApiDeviceList::SelectDevice(uint32_t index) {
    m_device = SP_DEVINFO_DATA{};
    m_device.cbSize = sizeof(m_device);
    return ::SetupDiEnumDeviceInfo(m_set.get(), index, &m_device) != FALSE;
}

RawProperty CSetupApiDeviceList::GetProperty(const DevPropKey& key) {
    DEVPROPKEY k = ToDevPropKey(key);
    return GetRawDeviceProperty(m_set.get(), &m_device, k);
}

namespace {

// Hands the new set to a device list; the owner releases the set on every
// failure.
std::unique_ptr<IDeviceList> Adopt(HDEVINFO handle, uint32_t* error) {
    UniqueDevInfo set(handle);
    if (!set) {
        *error = ::GetLastError();
        return nullptr;
    }
    std::unique_ptr<IDeviceList> list(new (std::nothrow) CSetupApiDeviceList(std::move(set)));
    if (!list) *error = ERROR_NOT_ENOUGH_MEMORY;
    return list;
}

}  // namespace

std::unique_ptr<IDeviceList> CSetupApiDeviceSystem::OpenPresentDevices(uint32_t* error) {
    HDEVINFO set =
        ::SetupDiGetClassDevsExW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES, nullptr, nullptr,
                                 nullptr);
    return Adopt(set, error);
}

std::unique_ptr<IDeviceList> CSetupApiDeviceSystem::OpenInterfaceClass(const Guid& interfaceClass, uint32_t* error) {
    GUID cls = ToGuid(interfaceClass);
    HDEVINFO set = ::SetupDiGetClassDevsExW(&cls, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, nullptr,
                                            nullptr, nullptr);
    return Adopt(set, error);
}

}  // namespace fwu
