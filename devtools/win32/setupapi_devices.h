// SetupAPI behind the device walk's platform interface.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <devpropdef.h>

#include <memory>
#include <string>
#include <vector>

#include "devwalk.h"
#include "handle.h"
#include "program_shell.h"

namespace fwu {

// Owner of a device information set (SetupDiGetClassDevs answers
// INVALID_HANDLE_VALUE on failure).
struct DevInfoTraits {
    using Handle = HDEVINFO;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static Handle OtherInvalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::SetupDiDestroyDeviceInfoList(h); }
};
using UniqueDevInfo = UniqueResource<DevInfoTraits>;

DEVPROPKEY ToDevPropKey(const DevPropKey& key);
GUID ToGuid(const Guid& guid);

// The raw value of a device property: a size query, then the read into a
// buffer of exactly the reported size.
RawProperty GetRawDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, const DEVPROPKEY& key);

// One open set and the device selected in it.
class CSetupApiDeviceList final : public IDeviceList {
public:
    explicit CSetupApiDeviceList(UniqueDevInfo set);
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

// The device tools' start: the shell (options, and the log given with LOG:
// under the banner name) and the SetupAPI device system, handed to `run`
// (shell, devices, log); what it answers is the exit code.
template <typename Run>
int RunDeviceTool(const wchar_t* bannerName, Run run) {
    CProgramShell shell;
    ILog& log = shell.OpenLog(bannerName);
    CSetupApiDeviceSystem devices;
    return static_cast<int>(run(static_cast<const CProgramShell&>(shell), devices, log));
}

}  // namespace fwu
