#include "presence_win32.h"

#include <windows.h>

namespace fwu {

static_assert(kStationVisible == WSF_VISIBLE);

bool CProcessPlace::StationFlags(uint32_t& flags) {
    // The station handle is the process's own and is not closed.
    HWINSTA station = ::GetProcessWindowStation();
    if (!station) return false;
    USEROBJECTFLAGS info{};
    DWORD needed = 0;
    if (!::GetUserObjectInformationW(station, UOI_FLAGS, &info, sizeof(info), &needed)) return false;
    flags = info.dwFlags;
    return true;
}

bool CProcessPlace::SessionId(uint32_t& session) {
    DWORD id = 0;
    if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &id)) return false;
    session = id;
    return true;
}

PersonVerdict MayWaitForPersonHere() {
    CProcessPlace place;
    return MayWaitForPerson(place);
}

}  // namespace fwu
