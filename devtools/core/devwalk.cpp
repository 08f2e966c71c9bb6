#include "devwalk.h"

#include <cstdarg>

#include "text.h"

namespace fwu {

std::vector<std::wstring> ReadDeviceProperty(IDeviceList& devices, const DevPropKey& key) {
    return RenderDeviceProperty(devices.GetProperty(key));
}

WalkOutcome EnumerateMatchingDevices(IDeviceSystem& system, IToolLog& log, const std::wstring& target,
                                     const MatchStep& step) {
    uint32_t error = 0;
    std::unique_ptr<IDeviceList> devices = system.OpenPresentDevices(&error);
    if (!devices) {
        LogLine(log, L"SetupDiGetClassDevs failed %d.", static_cast<int>(error));
        return WalkOutcome::EnumerationFailed;
    }
    // `devices` owns the set: leaving this function by any path releases it.
    for (uint32_t index = 0; devices->SelectDevice(index); ++index) {
        std::vector<std::wstring> ids = ReadDeviceProperty(*devices, kDevPKeyHardwareIds);
        const std::wstring* match = FindMatchingHardwareId(ids, target);
        if (match == nullptr) continue;
        LogLine(log, L"Match HwID [%ls].", match->c_str());
        if (step(*devices) == WalkStep::Stop) return WalkOutcome::Stopped;
    }
    return WalkOutcome::Exhausted;
}

}  // namespace fwu
