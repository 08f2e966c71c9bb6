// The place this process runs in, as Windows tells it, for the rule of
// presence.h.
#pragma once

#include "../core/presence.h"

namespace fwu {

class CProcessPlace final : public IPersonPlace {
public:
    // GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS).
    bool StationFlags(uint32_t& flags) override;
    // ProcessIdToSessionId of this process.
    bool SessionId(uint32_t& session) override;
};

// The rule for this process.
PersonVerdict MayWaitForPersonHere();

}  // namespace fwu
