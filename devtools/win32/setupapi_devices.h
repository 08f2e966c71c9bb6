// SetupAPI behind the device walk's platform interface.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <devpropdef.h>

#include <memory>
#include <string>
#include <vector>

#include "devwalk.h"

namespace fwu {

// Owner of a device information set.
class UniqueDevInfo {
public:
    UniqueDevInfo() = default;
    explicit UniqueDevInfo(HDEVINFO set) : m_set(set) {}
    ~UniqueDevInfo() { reset(); }
    UniqueDevInfo(const UniqueDevInfo&) = delete;
    UniqueDevInfo& operator=(const UniqueDevInfo&) = delete;
    HDEVINFO get() const { return m_set; }
    bool valid() const { return m_set != INVALID_HANDLE_VALUE && m_set != nullptr; }
    void reset() {
        if (valid()) ::SetupDiDestroyDeviceInfoList(m_set);
        m_set = INVALID_HANDLE_VALUE;
    }

private:
    HDEVINFO m_set = INVALID_HANDLE_VALUE;
};

DEVPROPKEY ToDevPropKey(const DevPropKey& key);
GUID ToGuid(const Guid& guid);

// The raw value of a device property: a size query, then the read into a
// buffer of exactly the reported size.
RawProperty GetRawDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, const DEVPROPKEY& key);

// One open set and the device selected in it.
class CSetupApiDeviceList final : public IDeviceList {
public:
    explicit CSetupApiDeviceList(HDEVINFO set);
    bool SelectDevice(uint32_t index) override;
    RawProperty GetProperty(const DevPropKey& key) override;
    HDEVINFO Set() const { return m_set.get(); }
    SP_DEVINFO_DATA* Device() { return &m_device; }

private:
    UniqueDevInfo m_set;
    SP_DEVINFO_DATA m_device{};
};

class CSetupApiDeviceSystem final : public IDeviceSystem {
public:
    std::unique_ptr<IDeviceList> OpenPresentDevices(uint32_t* error) override;
    std::unique_ptr<IDeviceList> OpenInterfaceClass(const Guid& interfaceClass, uint32_t* error) override;
};

// The program's log file as the tools' log.
class CFileToolLog final : public IToolLog {
public:
    void Line(const std::wstring& text) override;
};

}  // namespace fwu
