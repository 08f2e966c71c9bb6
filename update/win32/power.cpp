#include "power.h"

#include <powrprof.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

namespace upd {

namespace {
bool RequestType(PowerRequestKind kind, POWER_REQUEST_TYPE& type) {
    switch (kind) {
        case PowerRequestKind::System: type = PowerRequestSystemRequired; return true;
        case PowerRequestKind::Execution: type = PowerRequestExecutionRequired; return true;
        case PowerRequestKind::Display: type = PowerRequestDisplayRequired; return true;
    }
    return false;
}
}  // namespace

CPowerRequest::CPowerRequest(const std::wstring& reason, PowerRequestKind kind) : m_kind(kind) {
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

bool CPlatformPowerRequests::IsAlwaysOnAlwaysConnected() { return upd::IsAlwaysOnAlwaysConnected(); }

std::unique_ptr<IPowerRequest> CPlatformPowerRequests::Set(PowerRequestKind kind, const std::wstring& reason) {
    auto request = std::make_unique<CPowerRequest>(reason, kind);
    request->Start();
    if (!request->IsHeld()) return nullptr;
    return request;
}

}  // namespace upd
