#include "presence.h"

namespace fwu {

PersonVerdict MayWaitForPerson(IPersonPlace& place) {
    uint32_t flags = 0;
    if (!place.StationFlags(flags)) return {false, L"the window station cannot be read"};
    if ((flags & kStationVisible) == 0) return {false, L"the window station is not visible"};
    uint32_t session = 0;
    if (place.SessionId(session) && session == 0) return {false, L"it runs in session 0"};
    return {};
}

}  // namespace fwu
