// A power request that keeps the machine or the display awake while a run
// flashes firmware.
#pragma once

#include <windows.h>

#include <string>

#include "handle.h"

namespace upd {

class CPowerRequest {
public:
    enum Kind : DWORD { kSystem = 0, kExecution = 1, kDisplay = 2 };

    CPowerRequest(const std::wstring& reason, DWORD kind);
    virtual ~CPowerRequest();  // clears and closes a held request
    CPowerRequest(const CPowerRequest&) = delete;
    CPowerRequest& operator=(const CPowerRequest&) = delete;

    // Creates and sets the request; a failure drops it silently.
    virtual void Start();
    bool IsHeld() const { return m_request.valid(); }
    DWORD GetKind() const { return m_kind; }

private:
    wchar_t m_reason[260] = {};
    fwu::UniqueFile m_request;  // PowerCreateRequest answers INVALID_HANDLE_VALUE on failure
    DWORD m_kind = kSystem;
};

// True on machines whose power capabilities report always-on-always-
// connected standby (they take execution-required instead of system).
bool IsAlwaysOnAlwaysConnected();

}  // namespace upd
