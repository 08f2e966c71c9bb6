#include "tools.h"

namespace fwu {

const CompareProfile kAilscanProfile{&kDevPKeyProblemCode, L"ProbCode:", L"Target ProbCode: %ls.",
                                     L"ProbCode= [%ls].", L"Ailscan"};
const CompareProfile kRomstampProfile{&kDevPKeyFirmwareVersion, L"Ver:", L"Target Fw Ver: %ls.", L"FW Ver= [%ls].",
                                      L"Romstamp"};

int32_t CompareSign(int comparison) { return comparison < 0 ? -1 : comparison > 0 ? 1 : 0; }

int32_t RunPropertyCompare(const CompareProfile& profile, const std::wstring& hwid, const std::wstring& value,
                           IDeviceSystem& system, IToolLog& log, const TextCompare& compare) {
    LogLine(log, L"Target HwID: %ls.", hwid.c_str());
    LogLine(log, profile.targetLine, value.c_str());
    if (hwid.empty() || value.empty()) return kExitMissingOption;
    int32_t result = 8;
    // Only the first matching device is looked at.
    WalkOutcome outcome = EnumerateMatchingDevices(system, log, hwid, [&](IDeviceList& devices) {
        std::vector<std::wstring> found = ReadDeviceProperty(devices, *profile.property);
        if (found.empty()) {
            result = 8;
        } else {
            LogLine(log, profile.foundLine, found.front().c_str());
            result = CompareSign(compare(found.front(), value));
        }
        return WalkStep::Stop;
    });
    int32_t code = outcome == WalkOutcome::Stopped ? result : outcome == WalkOutcome::Exhausted ? 6 : 7;
    LogLine(log, L"return %d.", static_cast<int>(code));
    return code;
}

}  // namespace fwu
