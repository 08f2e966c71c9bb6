#include "power.h"

#include <powrprof.h>

#include <cstddef>
#include <cstring>
#include <utility>

namespace upd {

namespace {
bool RequestType(DWORD kind, POWER_REQUEST_TYPE& type) {
    switch (kind) {
        case CPowerRequest::kSystem: type = PowerRequestSystemRequired; return true;
        case CPowerRequest::kExecution: type = PowerRequestExecutionRequired; return true;
        case CPowerRequest::kDisplay: type = PowerRequestDisplayRequired; return true;
        default: return false;
    }
}
}  // namespace

CPowerRequest::CPowerRequest(const std::wstring& reason, DWORD kind) : m_kind(kind) {
    reason.copy(m_reason, 259);
}

CPowerRequest::~CPowerRequest() {
    POWER_REQUEST_TYPE type;
    if (m_request && RequestType(m_kind, type)) ::PowerClearRequest(m_request.get(), type);
}

void CPowerRequest::Start() {
    POWER_REQUEST_TYPE type;
    if (m_request || !RequestType(m_kind, type)) return;
    REASON_CONTEXT context{};
    context.Version = POWER_REQUEST_CONTEXT_VERSION;
    context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    context.Reason.SimpleReasonString = m_reason;
    fwu::UniqueFile request(::PowerCreateRequest(&context));
    if (!request || !::PowerSetRequest(request.get(), type)) return;
    m_request = std::move(request);
}

bool IsAlwaysOnAlwaysConnected() {
    SYSTEM_POWER_CAPABILITIES caps{};
    if (::CallNtPowerInformation(SystemPowerCapabilities, nullptr, 0, &caps, sizeof(caps)) != 0) return false;
    // AoAc is the byte right before DiskSpinDown; some SDK headers still call
    // it a spare byte, so read it by its offset in the structure.
    BYTE aoac = 0;
    static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, DiskSpinDown) >= 1);
    std::memcpy(&aoac, reinterpret_cast<const BYTE*>(&caps) + offsetof(SYSTEM_POWER_CAPABILITIES, DiskSpinDown) - 1, 1);
    return aoac != 0;
}

}  // namespace upd
