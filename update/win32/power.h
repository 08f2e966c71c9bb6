// A power request that keeps the machine or the display awake while a run
// flashes firmware, and the platform half of the run's power requests.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "handle.h"
#include "power_requests.h"

namespace upd {

class CPowerRequest final : public IPowerRequest {
public:
    CPowerRequest(const std::wstring& reason, PowerRequestKind kind);
    ~CPowerRequest() override;  // clears and closes a held request
    CPowerRequest(const CPowerRequest&) = delete;
    CPowerRequest& operator=(const CPowerRequest&) = delete;

    // Creates and sets the request; a failure drops it silently.
    void Start();
    bool IsHeld() const { return m_request.valid(); }

private:
    wchar_t m_reason[260] = {};
    fwu::UniqueFile m_request;  // PowerCreateRequest answers INVALID_HANDLE_VALUE on failure
    PowerRequestKind m_kind = PowerRequestKind::System;
};

// True on machines whose power capabilities report always-on-always-
// connected standby (they take execution-required instead of system).
bool IsAlwaysOnAlwaysConnected();

// The platform's power requests, for the run's CRunPowerRequests.
class CPlatformPowerRequests final : public IPowerRequests {
public:
    bool IsAlwaysOnAlwaysConnected() override;
    std::unique_ptr<IPowerRequest> Set(PowerRequestKind kind, const std::wstring& reason) override;
};

}  // namespace upd
