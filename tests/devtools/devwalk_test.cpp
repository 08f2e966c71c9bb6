#include "devwalk.h"

#include <gtest/gtest.h>

#include "fake_devices.h"

namespace fwu {
namespace {

using test::FakeDevice;
using test::FakeDeviceSystem;
using test::RecordingLog;
using test::StringProp;
using test::WithIds;
using Strings = std::vector<std::wstring>;

// Two devices match USB\VID_1234; each carries its own INF name so a step
// can tell which device is selected.
FakeDeviceSystem TwoMatchingDevices() {
    FakeDeviceSystem sys;
    sys.devices.push_back(WithIds({L"ACPI\\PNP0C0A"}));
    sys.devices.push_back(WithIds({L"USB\\VID_1234&PID_5678&REV_0100", L"USB\\VID_1234&PID_5678"})
                              .Set(kDevPKeyDriverInfPath, StringProp(L"oem1.inf")));
    sys.devices.push_back(FakeDevice{});  // no hardware IDs at all
    sys.devices.push_back(WithIds({L"USB\\VID_1234&PID_9999"}).Set(kDevPKeyDriverInfPath, StringProp(L"oem2.inf")));
    return sys;
}

TEST(EnumerateMatchingDevices, FailedListLogsTheErrorAndCallsNoStep) {
    FakeDeviceSystem sys;
    sys.failOpen = true;
    sys.openError = 1784;
    RecordingLog log;
    int calls = 0;
    EXPECT_EQ(EnumerateMatchingDevices(sys, log, L"USB", [&](IDeviceList&) {
                  ++calls;
                  return WalkStep::Stop;
              }),
              WalkOutcome::EnumerationFailed);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(log.lines, Strings{L"SetupDiGetClassDevs failed 1784."});
}

TEST(EnumerateMatchingDevices, StopsAtFirstMatchWithTheSetOpenAndReleasesIt) {
    FakeDeviceSystem sys = TwoMatchingDevices();
    RecordingLog log;
    Strings seen;
    WalkOutcome outcome = EnumerateMatchingDevices(sys, log, L"USB\\VID_1234", [&](IDeviceList& devices) {
        EXPECT_EQ(sys.counters.open, 1);
        seen.push_back(ReadDeviceProperty(devices, kDevPKeyDriverInfPath).at(0));
        return WalkStep::Stop;
    });
    EXPECT_EQ(outcome, WalkOutcome::Stopped);
    EXPECT_EQ(seen, Strings{L"oem1.inf"});
    // The device's own first matching entry is logged, not the target.
    EXPECT_EQ(log.lines, Strings{L"Match HwID [USB\\VID_1234&PID_5678&REV_0100]."});
    EXPECT_EQ(sys.counters.opened, 1);
    EXPECT_EQ(sys.counters.open, 0);
}

TEST(EnumerateMatchingDevices, ContinueVisitsEveryMatchInOrderThenExhausts) {
    FakeDeviceSystem sys = TwoMatchingDevices();
    RecordingLog log;
    Strings seen;
    WalkOutcome outcome = EnumerateMatchingDevices(sys, log, L"VID_1234", [&](IDeviceList& devices) {
        seen.push_back(ReadDeviceProperty(devices, kDevPKeyDriverInfPath).at(0));
        return WalkStep::Continue;
    });
    EXPECT_EQ(outcome, WalkOutcome::Exhausted);
    EXPECT_EQ(seen, (Strings{L"oem1.inf", L"oem2.inf"}));
    EXPECT_EQ(log.lines, (Strings{L"Match HwID [USB\\VID_1234&PID_5678&REV_0100].",
                                  L"Match HwID [USB\\VID_1234&PID_9999]."}));
    EXPECT_EQ(sys.counters.open, 0);
}

TEST(EnumerateMatchingDevices, NoMatchExhaustsSilently) {
    for (const wchar_t* target : {L"usb\\vid_1234", L"PCI\\VEN", L"USB\\VID_1234&PID_5678&REV_0100&MI_00"}) {
        FakeDeviceSystem sys = TwoMatchingDevices();
        RecordingLog log;
        int calls = 0;
        EXPECT_EQ(EnumerateMatchingDevices(sys, log, target, [&](IDeviceList&) {
                      ++calls;
                      return WalkStep::Stop;
                  }),
                  WalkOutcome::Exhausted)
            << target;
        EXPECT_EQ(calls, 0);
        EXPECT_TRUE(log.lines.empty());
        EXPECT_EQ(sys.counters.open, 0);
    }
}

TEST(EnumerateMatchingDevices, SingleStringHardwareIdIsAOneEntryList) {
    FakeDeviceSystem sys;
    sys.devices.push_back(FakeDevice{}.Set(kDevPKeyHardwareIds, StringProp(L"ROOT\\FWU_SINGLE")));
    RecordingLog log;
    EXPECT_EQ(EnumerateMatchingDevices(sys, log, L"FWU_SINGLE", [](IDeviceList&) { return WalkStep::Stop; }),
              WalkOutcome::Stopped);
    EXPECT_EQ(log.lines, Strings{L"Match HwID [ROOT\\FWU_SINGLE]."});
}

TEST(EnumerateMatchingDevices, HardwareIdOfAnUnrenderedTypeNeverMatches) {
    FakeDeviceSystem sys;
    // DEVPROP_TYPE_BOOLEAN is not rendered: no entries, no match.
    sys.devices.push_back(FakeDevice{}.Set(kDevPKeyHardwareIds, RawProperty{true, 0x11, {0xFF}}));
    RecordingLog log;
    EXPECT_EQ(EnumerateMatchingDevices(sys, log, L"F", [](IDeviceList&) { return WalkStep::Stop; }),
              WalkOutcome::Exhausted);
}

TEST(EnumerateMatchingDevices, EmptyDeviceListIsExhausted) {
    FakeDeviceSystem sys;
    RecordingLog log;
    EXPECT_EQ(EnumerateMatchingDevices(sys, log, L"X", [](IDeviceList&) { return WalkStep::Stop; }),
              WalkOutcome::Exhausted);
    EXPECT_EQ(sys.counters.opened, 1);
    EXPECT_EQ(sys.counters.open, 0);
}

}  // namespace
}  // namespace fwu
