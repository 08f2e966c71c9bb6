// Ailscan and Romstamp: compare a property of the first device whose
// hardware ID contains the given text with a given value. Built twice; the
// FWU_ROMSTAMP definition selects Romstamp's property, option, texts and
// banner name, its absence Ailscan's.
#include <windows.h>

#include "cmdline.h"
#include "log.h"
#include "setupapi_devices.h"
#include "tools.h"

namespace {
#if defined(FWU_ROMSTAMP)
const fwu::CompareProfile& kProfile = fwu::kRomstampProfile;
#else
const fwu::CompareProfile& kProfile = fwu::kAilscanProfile;
#endif

int CompareNoCase(const std::wstring& first, const std::wstring& second) {
    return ::lstrcmpiW(first.c_str(), second.c_str());
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring hwid, value;
    {
        CParseParam params;
        hwid = params.Find(L"HwID:", nullptr);
        value = params.Find(kProfile.valueOption, nullptr);
        std::wstring logPath = params.Find(L"LOG:", nullptr);
        if (!logPath.empty()) OpenLogFile(logPath, kProfile.bannerName);
    }
    fwu::CSetupApiDeviceSystem devices;
    fwu::CFileToolLog log;
    int32_t code = fwu::RunPropertyCompare(kProfile, hwid, value, devices, log, CompareNoCase);
    CloseLogFile();
    return code;
}
