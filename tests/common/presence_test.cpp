// The one rule of every program: may it show a window that waits for a
// person here?
#include <gtest/gtest.h>

#include <string>

#include "presence.h"

namespace {

struct FakePlace final : fwu::IPersonPlace {
    bool flagsRead = true;
    uint32_t flags = fwu::kStationVisible;
    bool sessionKnown = true;
    uint32_t session = 1;
    bool StationFlags(uint32_t& out) override {
        out = flags;
        return flagsRead;
    }
    bool SessionId(uint32_t& out) override {
        out = session;
        return sessionKnown;
    }
};

std::wstring Reason(const fwu::PersonVerdict& v) { return v.reason ? v.reason : L"(none)"; }

}  // namespace

TEST(Presence, OnlyAVisibleStationOutsideSessionZeroHasSomeoneToAnswer) {
    struct Row {
        bool flagsRead;
        uint32_t flags;
        bool sessionKnown;
        uint32_t session;
        bool canWait;
        const wchar_t* reason;
    };
    const Row rows[] = {
        {true, 0x0001, true, 1, true, L"(none)"},                              // the user's desktop
        {true, 0x0001, true, 2, true, L"(none)"},                              // another user's session
        {true, 0x0001, false, 0, true, L"(none)"},                             // session unknown: the station decides
        {true, 0x0000, true, 1, false, L"the window station is not visible"},  // a station of a service's own
        {true, 0x0000, true, 0, false, L"the window station is not visible"},
        {true, 0xFFFE, true, 1, false, L"the window station is not visible"},  // other flags, not this one
        {true, 0x0001, true, 0, false, L"it runs in session 0"},               // services' session
        {false, 0x0001, true, 1, false, L"the window station cannot be read"},
    };
    for (const Row& r : rows) {
        FakePlace place;
        place.flagsRead = r.flagsRead;
        place.flags = r.flags;
        place.sessionKnown = r.sessionKnown;
        place.session = r.session;
        const fwu::PersonVerdict v = fwu::MayWaitForPerson(place);
        EXPECT_EQ(v.canWait, r.canWait) << r.flags << " session " << r.session;
        EXPECT_EQ(Reason(v), r.reason) << r.flags << " session " << r.session;
    }
}
