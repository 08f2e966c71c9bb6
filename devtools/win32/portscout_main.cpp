// Portscout: is a USB device with the given vendor and product ID present?
#include <windows.h>

#include "cmdline.h"
#include "log.h"
#include "setupapi_devices.h"
#include "tools.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    uint32_t vid = 0, pid = 0, type = 2;
    {
        CParseParam params;
        vid = fwu::UnsignedOptionOr(params.Find(L"VID:", nullptr), 0);
        pid = fwu::UnsignedOptionOr(params.Find(L"PID:", nullptr), 0);
        std::wstring logPath = params.Find(L"LOG:", nullptr);
        if (!logPath.empty()) OpenLogFile(logPath, L"Portscout");
        type = fwu::UnsignedOptionOr(params.Find(L"TYPE:", nullptr), 2);
    }
    fwu::CSetupApiDeviceSystem devices;
    fwu::CFileToolLog log;
    int32_t code = fwu::RunPortscout(vid, pid, type, devices, log);
    CloseLogFile();
    return code;
}
