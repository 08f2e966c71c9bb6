// Findling: is a device whose hardware ID contains the given text present?
#include <windows.h>

#include "setupapi_devices.h"
#include "tools.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return fwu::RunDeviceTool(L"Findling", [](const fwu::CProgramShell& shell, fwu::IDeviceSystem& devices,
                                              fwu::ILog& log) {
        return fwu::RunFindling(shell.Option(L"HwID:"), devices, log);
    });
}
