#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "power_requests.h"

using namespace upd;

namespace {

const wchar_t* KindName(PowerRequestKind kind) {
    switch (kind) {
        case PowerRequestKind::System: return L"system";
        case PowerRequestKind::Execution: return L"execution";
        case PowerRequestKind::Display: return L"display";
    }
    return L"?";
}

// Records every request set and cleared, in order; can be told to refuse
// requests or to report a Modern Standby machine.
class FakePower : public IPowerRequests {
public:
    class Request : public IPowerRequest {
    public:
        Request(std::vector<std::wstring>& journal, PowerRequestKind kind) : m_journal(journal), m_kind(kind) {}
        ~Request() override { m_journal.push_back(std::wstring(L"clear ") + KindName(m_kind)); }

    private:
        std::vector<std::wstring>& m_journal;
        PowerRequestKind m_kind;
    };

    bool IsAlwaysOnAlwaysConnected() override { return aoac; }
    std::unique_ptr<IPowerRequest> Set(PowerRequestKind kind, const std::wstring& reason) override {
        journal.push_back(std::wstring(L"set ") + KindName(kind) + L" " + reason);
        if (refuse) return nullptr;
        return std::make_unique<Request>(journal, kind);
    }

    bool aoac = false;
    bool refuse = false;
    std::vector<std::wstring> journal;
};

const std::wstring kSystemSet = L"set system Update(system)-{C98403DB-CAC2-42E8-9057-F1BC4EB8B270} is running.";
const std::wstring kDisplaySet = L"set display Update(disp)-{C98403DB-CAC2-42E8-9057-F1BC4EB8B270} is running.";

}  // namespace

TEST(RunPowerRequests, SettingsStartTheirRequestsAndTheEndOfTheRunClearsThem) {
    struct Row {
        const wchar_t* reqSys;
        const wchar_t* reqDisp;
        std::vector<std::wstring> whileRunning;
        std::vector<std::wstring> atTheEnd;
    };
    const Row rows[] = {
        {L"ON", L"ON", {kSystemSet, kDisplaySet}, {L"clear display", L"clear system"}},
        {L"on", L"On", {kSystemSet, kDisplaySet}, {L"clear display", L"clear system"}},
        {L"ON", L"OFF", {kSystemSet}, {L"clear system"}},
        {L"OFF", L"on", {kDisplaySet}, {L"clear display"}},
        // Only "ON" asks: the default (OFF), anything else and a padded ON
        // do not.
        {L"OFF", L"OFF", {}, {}},
        {L"", L"", {}, {}},
        {L"TRUE", L"1", {}, {}},
        {L" ON", L"ON ", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "REQSYS=" << testing::PrintToString(std::wstring(row.reqSys))
                                        << " REQDISP=" << testing::PrintToString(std::wstring(row.reqDisp)));
        FakePower power;
        {
            const CRunPowerRequests run(power, row.reqSys, row.reqDisp);
            EXPECT_EQ(power.journal, row.whileRunning);
        }
        std::vector<std::wstring> all = row.whileRunning;
        all.insert(all.end(), row.atTheEnd.begin(), row.atTheEnd.end());
        EXPECT_EQ(power.journal, all);
    }
}

TEST(RunPowerRequests, ModernStandbyTakesExecutionAndRefusedRequestsAreDropped) {
    FakePower standby;
    standby.aoac = true;
    {
        const CRunPowerRequests run(standby, L"ON", L"ON");
    }
    EXPECT_EQ(standby.journal,
              (std::vector<std::wstring>{L"set execution Update(system)-{C98403DB-CAC2-42E8-9057-F1BC4EB8B270} is "
                                         L"running.",
                                         kDisplaySet, L"clear display", L"clear execution"}));

    // The display setting does not depend on the machine's standby kind.
    FakePower displayOnly;
    displayOnly.aoac = true;
    {
        const CRunPowerRequests run(displayOnly, L"OFF", L"ON");
    }
    EXPECT_EQ(displayOnly.journal, (std::vector<std::wstring>{kDisplaySet, L"clear display"}));

    // A request the platform refused is asked for once and never cleared.
    FakePower refusing;
    refusing.refuse = true;
    {
        const CRunPowerRequests run(refusing, L"ON", L"ON");
    }
    EXPECT_EQ(refusing.journal, (std::vector<std::wstring>{kSystemSet, kDisplaySet}));
}
