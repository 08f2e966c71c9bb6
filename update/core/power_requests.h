// The power requests a run holds: CONFIG REQSYS=ON keeps the machine awake
// (execution-required on machines with always-on-always-connected standby,
// system-required elsewhere), REQDISP=ON keeps the display on. Both are set
// before the first task and cleared when the run ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace upd {

enum class PowerRequestKind : uint32_t { System = 0, Execution = 1, Display = 2 };

// One request the platform has set; destroying it clears it.
class IPowerRequest {
public:
    virtual ~IPowerRequest() = default;
};

// The platform half (PowerCreateRequest, PowerSetRequest,
// CallNtPowerInformation).
class IPowerRequests {
public:
    virtual ~IPowerRequests() = default;
    virtual bool IsAlwaysOnAlwaysConnected() = 0;
    // The request set, or null when the platform refused it (the run goes
    // on without it).
    virtual std::unique_ptr<IPowerRequest> Set(PowerRequestKind kind, const std::wstring& reason) = 0;
};

// Holds the requests the two settings ask for, from construction to
// destruction (the display request is cleared first).
class CRunPowerRequests {
public:
    CRunPowerRequests(IPowerRequests& platform, const std::wstring& reqSys, const std::wstring& reqDisp);
    CRunPowerRequests(const CRunPowerRequests&) = delete;
    CRunPowerRequests& operator=(const CRunPowerRequests&) = delete;

private:
    std::unique_ptr<IPowerRequest> m_system;
    std::unique_ptr<IPowerRequest> m_display;
};

}  // namespace upd
