#include "power_requests.h"

#include "text.h"
#include "update_defs.h"

namespace upd {

CRunPowerRequests::CRunPowerRequests(IPowerRequests& platform, const std::wstring& reqSys,
                                     const std::wstring& reqDisp) {
    if (IsOn(reqSys)) {
        const PowerRequestKind kind =
            platform.IsAlwaysOnAlwaysConnected() ? PowerRequestKind::Execution : PowerRequestKind::System;
        m_system = platform.Set(kind, fwu::FormatString(kPowerReasonFormat, L"Update(system)"));
    }
    if (IsOn(reqDisp))
        m_display = platform.Set(PowerRequestKind::Display, fwu::FormatString(kPowerReasonFormat, L"Update(disp)"));
}

}  // namespace upd
