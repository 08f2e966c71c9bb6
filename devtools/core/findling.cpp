#include "tools.h"

namespace fwu {

int32_t RunFindling(const std::wstring& hwid, IDeviceSystem& system, IToolLog& log) {
    LogLine(log, L"Target HwID: %ls.", hwid.c_str());
    if (hwid.empty()) return kExitMissingOption;
    WalkOutcome outcome =
        EnumerateMatchingDevices(system, log, hwid, [](IDeviceList&) { return WalkStep::Stop; });
    int32_t code = outcome == WalkOutcome::Stopped ? 0 : outcome == WalkOutcome::Exhausted ? 6 : 7;
    LogLine(log, L"return %d.", static_cast<int>(code));
    return code;
}

}  // namespace fwu
