// Findling: is a device whose hardware ID contains the given text present?
#include <windows.h>

#include "cmdline.h"
#include "log.h"
#include "setupapi_devices.h"
#include "tools.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring hwid;
    {
        CParseParam params;
        hwid = params.Find(L"HwID:", nullptr);
        std::wstring logPath = params.Find(L"LOG:", nullptr);
        if (!logPath.empty()) OpenLogFile(logPath, L"Findling");
    }
    fwu::CSetupApiDeviceSystem devices;
    fwu::CFileToolLog log;
    int32_t code = fwu::RunFindling(hwid, devices, log);
    CloseLogFile();
    return code;
}
