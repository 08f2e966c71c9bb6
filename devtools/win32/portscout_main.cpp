// Portscout: is a USB device with the given vendor and product ID present?
#include <windows.h>

#include "setupapi_devices.h"
#include "tools.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return fwu::RunDeviceTool(L"Portscout", [](const fwu::CProgramShell& shell, fwu::IDeviceSystem& devices,
                                               fwu::ILog& log) {
        const uint32_t vid = fwu::UnsignedOptionOr(shell.Option(L"VID:"), 0);
        const uint32_t pid = fwu::UnsignedOptionOr(shell.Option(L"PID:"), 0);
        const uint32_t type = fwu::UnsignedOptionOr(shell.Option(L"TYPE:"), 2);
        return fwu::RunPortscout(vid, pid, type, devices, log);
    });
}
