// May this program show a window that waits for a person? Deployment
// systems start packages as SYSTEM in session 0, or in a window station of
// their own, where windows are drawn on a desktop nobody sees: a box shown
// there waits for good, and the run never ends. Every program asks this one
// rule before it shows such a window.
#pragma once

#include <cstdint>

namespace fwu {

// What the platform tells of the place this process runs in.
class IPersonPlace {
public:
    virtual ~IPersonPlace() = default;
    // The UOI_FLAGS of the process's window station; false when they
    // cannot be read.
    virtual bool StationFlags(uint32_t& flags) = 0;
    // The process's session; false when it cannot be told.
    virtual bool SessionId(uint32_t& session) = 0;
};

// WSF_VISIBLE: the window station has a desktop a person sees.
inline constexpr uint32_t kStationVisible = 0x0001;

struct PersonVerdict {
    bool canWait = true;
    // Why nobody can answer ("the window station is not visible"); null
    // when a person can.
    const wchar_t* reason = nullptr;
};

// A person can answer only in a visible window station outside session 0
// (session 0 holds services; since Windows 10 version 1803 nobody can switch
// to its desktop). Flags that cannot be read count as nobody: a wrong "no"
// ends a run with an error, a wrong "yes" never ends it.
PersonVerdict MayWaitForPerson(IPersonPlace& place);

}  // namespace fwu
