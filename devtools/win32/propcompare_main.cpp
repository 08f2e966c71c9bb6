// Ailscan and Romstamp: compare a property of the first device whose
// hardware ID contains the given text with a given value. Built twice; the
// FWU_ROMSTAMP definition selects Romstamp's property, option, texts and
// banner name, its absence Ailscan's.
#include <windows.h>

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
    return fwu::RunDeviceTool(kProfile.bannerName, [](const fwu::CProgramShell& shell, fwu::IDeviceSystem& devices,
                                                      fwu::ILog& log) {
        return fwu::RunPropertyCompare(kProfile, shell.Option(L"HwID:"), shell.Option(kProfile.valueOption), devices,
                                       log, CompareNoCase);
    });
}
