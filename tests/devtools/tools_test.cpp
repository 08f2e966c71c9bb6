#include "tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "fake_devices.h"

namespace fwu {
namespace {

using test::FakeDevice;
using test::FakeDeviceSystem;
using test::RecordingLog;
using test::StringProp;
using test::U32Prop;
using test::WithIds;
using Strings = std::vector<std::wstring>;

const wchar_t kId[] = L"USB\\VID_1234&PID_5678&REV_0100";

FakeDeviceSystem OneDevice(FakeDevice d) {
    FakeDeviceSystem sys;
    sys.devices.push_back(WithIds({L"ACPI\\PNP0C0A"}));
    sys.devices.push_back(std::move(d));
    return sys;
}

// --- Findling -----------------------------------------------------------

TEST(Findling, ExitCodesAndLogLines) {
    RecordingLog log;
    FakeDeviceSystem empty;
    EXPECT_EQ(RunFindling(L"", empty, log), 5);
    EXPECT_EQ(log.lines, Strings{L"Target HwID: ."});
    EXPECT_EQ(empty.counters.opened, 0);

    FakeDeviceSystem sys = OneDevice(WithIds({kId}));
    log.lines.clear();
    EXPECT_EQ(RunFindling(L"VID_1234", sys, log), 0);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: VID_1234.", L"Match HwID [USB\\VID_1234&PID_5678&REV_0100].",
                                  L"return 0."}));

    log.lines.clear();
    EXPECT_EQ(RunFindling(L"usb\\vid_1234", sys, log), 6);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: usb\\vid_1234.", L"return 6."}));

    sys.failOpen = true;
    log.lines.clear();
    EXPECT_EQ(RunFindling(L"VID_1234", sys, log), 7);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: VID_1234.", L"SetupDiGetClassDevs failed 5.", L"return 7."}));
    EXPECT_EQ(sys.counters.open, 0);
}

// --- Ailscan / Romstamp ---------------------------------------------------

// A stand-in for lstrcmpiW that, like the platform, answers any negative or
// positive number, not only -1 and 1.
int RawDifference(const std::wstring& a, const std::wstring& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int d = int(std::towupper(a[i])) - int(std::towupper(b[i]));
        if (d != 0) return d * 7;
    }
    return int(a.size()) - int(b.size());
}

TEST(CompareSign, MapsAnyResultToMinusOneZeroOne) {
    EXPECT_EQ(CompareSign(-42), -1);
    EXPECT_EQ(CompareSign(-1), -1);
    EXPECT_EQ(CompareSign(0), 0);
    EXPECT_EQ(CompareSign(1), 1);
    EXPECT_EQ(CompareSign(1 << 30), 1);
    EXPECT_EQ(CompareSign(INT32_MIN), -1);
}

TEST(PropertyCompare, ComparesTheDeviceValueFirstAsText) {
    struct Case {
        const CompareProfile* profile;
        RawProperty found;
        const wchar_t* given;
        int32_t code;
        const wchar_t* foundLine;
    };
    const Case cases[] = {
        {&kAilscanProfile, U32Prop(9), L"10", 1, L"ProbCode= [9]."},
        {&kAilscanProfile, U32Prop(0), L"0", 0, L"ProbCode= [0]."},
        {&kAilscanProfile, U32Prop(28), L"3", -1, L"ProbCode= [28]."},
        {&kRomstampProfile, StringProp(L"1.10"), L"1.9", -1, L"FW Ver= [1.10]."},
        {&kRomstampProfile, StringProp(L"1.2A"), L"1.2a", 0, L"FW Ver= [1.2A]."},
        {&kRomstampProfile, StringProp(L"2.0"), L"1.99", 1, L"FW Ver= [2.0]."},
    };
    for (const Case& c : cases) {
        FakeDeviceSystem sys = OneDevice(WithIds({kId}).Set(*c.profile->property, c.found));
        RecordingLog log;
        std::vector<std::pair<std::wstring, std::wstring>> calls;
        auto compare = [&](const std::wstring& a, const std::wstring& b) {
            calls.emplace_back(a, b);
            return RawDifference(a, b);
        };
        EXPECT_EQ(RunPropertyCompare(*c.profile, L"PID_5678", c.given, sys, log, compare), c.code) << c.foundLine;
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].second, c.given);
        const bool ailscan = c.profile == &kAilscanProfile;
        EXPECT_EQ(log.lines,
                  (Strings{L"Target HwID: PID_5678.",
                           (ailscan ? L"Target ProbCode: " : L"Target Fw Ver: ") + std::wstring(c.given) + L".",
                           L"Match HwID [USB\\VID_1234&PID_5678&REV_0100].", c.foundLine,
                           L"return " + std::to_wstring(c.code) + L"."}));
    }
}

TEST(PropertyCompare, EitherOptionEmptyGives5WithBothTargetLines) {
    FakeDeviceSystem sys = OneDevice(WithIds({kId}));
    RecordingLog log;
    EXPECT_EQ(RunPropertyCompare(kAilscanProfile, L"PCI\\VEN_1234", L"", sys, log, RawDifference), 5);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: PCI\\VEN_1234.", L"Target ProbCode: ."}));
    log.lines.clear();
    EXPECT_EQ(RunPropertyCompare(kRomstampProfile, L"", L"1.0", sys, log, RawDifference), 5);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: .", L"Target Fw Ver: 1.0."}));
    EXPECT_EQ(sys.counters.opened, 0);
}

TEST(PropertyCompare, OnlyTheFirstMatchingDeviceCounts) {
    FakeDeviceSystem sys;
    sys.devices.push_back(WithIds({L"USB\\VID_1234&PID_0001"}));  // no firmware version
    sys.devices.push_back(WithIds({L"USB\\VID_1234&PID_0002"}).Set(kDevPKeyFirmwareVersion, StringProp(L"1.0")));
    RecordingLog log;
    EXPECT_EQ(RunPropertyCompare(kRomstampProfile, L"VID_1234", L"1.0", sys, log, RawDifference), 8);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: VID_1234.", L"Target Fw Ver: 1.0.",
                                  L"Match HwID [USB\\VID_1234&PID_0001].", L"return 8."}));
    EXPECT_EQ(sys.counters.open, 0);
}

TEST(PropertyCompare, NoMatchAndFailedList) {
    FakeDeviceSystem sys = OneDevice(WithIds({kId}).Set(kDevPKeyProblemCode, U32Prop(1)));
    RecordingLog log;
    EXPECT_EQ(RunPropertyCompare(kAilscanProfile, L"PCI\\", L"1", sys, log, RawDifference), 6);
    EXPECT_EQ(log.lines.back(), L"return 6.");
    sys.failOpen = true;
    log.lines.clear();
    EXPECT_EQ(RunPropertyCompare(kAilscanProfile, L"USB", L"1", sys, log, RawDifference), 7);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: USB.", L"Target ProbCode: 1.", L"SetupDiGetClassDevs failed 5.",
                                  L"return 7."}));
}

// --- Unbinder -------------------------------------------------------------

class FakeRunner final : public IUtilityRunner {
public:
    uint32_t exitCode = 0;
    Strings started;
    std::wstring ExpandEnvironment(const std::wstring& text) override {
        return ReplaceAll(text, L"%WINDIR%", L"C:\\Windows");
    }
    uint32_t RunAndWait(const std::wstring& commandLine) override {
        started.push_back(commandLine);
        return exitCode;
    }
};

TEST(Unbinder, CommandLineQuotesOnlyThePath) {
    EXPECT_EQ(BuildUtilityCommandLine(L"C:\\Windows\\System32\\pnputil.exe",
                                      L"/delete-driver oem12.inf /uninstall /force"),
              L"\"C:\\Windows\\System32\\pnputil.exe\" /delete-driver oem12.inf /uninstall /force");
    EXPECT_EQ(BuildUtilityCommandLine(L"C:\\a b\\x.exe", L""), L"\"C:\\a b\\x.exe\"");
}

TEST(Unbinder, SecondMatchWithInfNameIsRemovedAndItsExitCodePassedOn) {
    FakeDeviceSystem sys;
    sys.devices.push_back(WithIds({L"PCI\\VEN_8086&DEV_0001"}));
    sys.devices.push_back(WithIds({L"PCI\\VEN_8086&DEV_0002"}).Set(kDevPKeyDriverInfPath, StringProp(L"oem12.inf")));
    sys.devices.push_back(WithIds({L"PCI\\VEN_8086&DEV_0003"}).Set(kDevPKeyDriverInfPath, StringProp(L"oem13.inf")));
    for (uint32_t code : {0u, 3010u, 0x80000001u}) {
        RecordingLog log;
        FakeRunner runner;
        runner.exitCode = code;
        EXPECT_EQ(RunUnbinder(L"VEN_8086", sys, log, runner), code);
        const std::wstring line =
            L"\"C:\\Windows\\System32\\pnputil.exe\" /delete-driver oem12.inf /uninstall /force";
        EXPECT_EQ(runner.started, Strings{line});
        EXPECT_EQ(log.lines, (Strings{L"Target HwID: VEN_8086.", L"Match HwID [PCI\\VEN_8086&DEV_0001].",
                                      L"Match HwID [PCI\\VEN_8086&DEV_0002].", L"inf path= [oem12.inf].",
                                      L"exec : " + line + L".", FormatString(L"return 0x%08X", code)}));
        EXPECT_EQ(sys.counters.open, 0);
    }
}

TEST(Unbinder, EmptyInfNameIsPassedOverForTheNextMatch) {
    FakeDeviceSystem sys;
    sys.devices.push_back(WithIds({L"PCI\\VEN_8086&DEV_0001"}).Set(kDevPKeyDriverInfPath, StringProp(L"")));
    sys.devices.push_back(WithIds({L"PCI\\VEN_8086&DEV_0002"}).Set(kDevPKeyDriverInfPath, StringProp(L"oem12.inf")));
    RecordingLog log;
    FakeRunner runner;
    EXPECT_EQ(RunUnbinder(L"VEN_8086", sys, log, runner), 0u);
    EXPECT_EQ(runner.started,
              Strings{L"\"C:\\Windows\\System32\\pnputil.exe\" /delete-driver oem12.inf /uninstall /force"});
    EXPECT_EQ(log.lines[1], L"Match HwID [PCI\\VEN_8086&DEV_0001].");
    EXPECT_EQ(log.lines[2], L"Match HwID [PCI\\VEN_8086&DEV_0002].");
    EXPECT_EQ(log.lines[3], L"inf path= [oem12.inf].");

    // Only an empty name: not found, and nothing is started.
    sys.devices.pop_back();
    log.lines.clear();
    runner.started.clear();
    EXPECT_EQ(RunUnbinder(L"VEN_8086", sys, log, runner), 0xFFFFFFFFu);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: VEN_8086.", L"Match HwID [PCI\\VEN_8086&DEV_0001].",
                                  L"inf path= [].", L"error - HwID is not found (0xFFFFFFFF)."}));
    EXPECT_TRUE(runner.started.empty());
    EXPECT_EQ(sys.counters.open, 0);
}

TEST(Unbinder, CouldNotPathsGiveAllBitsSet) {
    RecordingLog log;
    FakeRunner runner;
    FakeDeviceSystem sys;
    sys.devices.push_back(WithIds({kId}));  // matches, but has no driver
    EXPECT_EQ(RunUnbinder(L"", sys, log, runner), 0xFFFFFFFFu);
    EXPECT_EQ(log.lines, Strings{L"parameter error (0xFFFFFFFF)."});

    log.lines.clear();
    EXPECT_EQ(RunUnbinder(L"PID_5678", sys, log, runner), 0xFFFFFFFFu);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: PID_5678.", L"Match HwID [USB\\VID_1234&PID_5678&REV_0100].",
                                  L"inf path= [].", L"error - HwID is not found (0xFFFFFFFF)."}));

    sys.failOpen = true;
    sys.openError = 13;
    log.lines.clear();
    EXPECT_EQ(RunUnbinder(L"PID_5678", sys, log, runner), 0xFFFFFFFFu);
    EXPECT_EQ(log.lines, (Strings{L"Target HwID: PID_5678.", L"SetupDiGetClassDevs failed 13.", L"inf path= [].",
                                  L"error - HwID is not found (0xFFFFFFFF)."}));
    EXPECT_TRUE(runner.started.empty());
}

// --- Portscout ------------------------------------------------------------

TEST(Portscout, NumbersReadLikeWcstoulWithBaseZero) {
    struct Case {
        const wchar_t* text;
        bool ok;
        uint32_t value;
    };
    const Case cases[] = {
        {L"0x1234", true, 0x1234}, {L"0X1234", true, 0x1234},  {L"4660", true, 4660},
        {L"010", true, 8},         {L"0", true, 0},            {L" \t+22136", true, 22136},
        {L"-1", true, 0xFFFFFFFF}, {L"4294967295", true, 0xFFFFFFFF}, {L"4294967296", true, 0xFFFFFFFF},
        {L"0x123456789", true, 0xFFFFFFFF}, {L"-0x10", true, 0xFFFFFFF0},
        {L"0ABC", false, 0},       {L"08", false, 0},          {L"0x", false, 0},
        {L"0xG", false, 0},        {L"12a", false, 0},         {L"12 ", false, 0},
        {L"", false, 0},           {L"abc", false, 0},         {L"-", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t value = 77;
        EXPECT_EQ(ParseUnsignedOption(c.text, &value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_EQ(UnsignedOptionOr(L"0ABC", 0), 0u);
    EXPECT_EQ(UnsignedOptionOr(L"", 2), 2u);
    EXPECT_EQ(UnsignedOptionOr(L"3", 2), 3u);
}

TEST(Portscout, PatternAndInterfaceClass) {
    EXPECT_EQ(UsbSearchPattern(0x1234, 0x5678), L"VID_1234&PID_5678");
    EXPECT_EQ(UsbSearchPattern(4660, 22136), L"VID_1234&PID_5678");
    EXPECT_EQ(UsbSearchPattern(0xabc, 0), L"VID_0ABC&PID_0000");
    EXPECT_EQ(UsbSearchPattern(0x12345, 0x1), L"VID_12345&PID_0001");
    EXPECT_EQ(FormatGuid(UsbInterfaceClass(0)), L"{F18A0E88-C30C-11D0-8815-00A0C906BED8}");
    EXPECT_EQ(FormatGuid(UsbInterfaceClass(1)), L"{5E9ADAEF-F879-473F-B807-4E5EA77D1B1C}");
    EXPECT_EQ(FormatGuid(UsbInterfaceClass(2)), L"{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
    EXPECT_EQ(FormatGuid(UsbInterfaceClass(3)), L"{3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}");
    EXPECT_EQ(FormatGuid(UsbInterfaceClass(7)), FormatGuid(UsbInterfaceClass(2)));
    EXPECT_EQ(FormatGuid(UsbInterfaceClass(0xFFFFFFFF)), FormatGuid(UsbInterfaceClass(2)));
}

TEST(Portscout, ChecksEveryIdUpToTheHitIgnoringAsciiCase) {
    FakeDeviceSystem sys;
    sys.interfaceDevices.push_back(WithIds({L"USB\\VID_1111&PID_2222"}));
    sys.interfaceDevices.push_back(FakeDevice{});                                // no IDs: skipped
    sys.interfaceDevices.push_back(FakeDevice{}.Set(kDevPKeyHardwareIds, U32Prop(5)));  // wrong type: skipped
    sys.interfaceDevices.push_back(WithIds({L"usb\\vid_1234&pid_5678&mi_00", L"usb\\vid_1234&pid_5678"}));
    sys.interfaceDevices.push_back(WithIds({L"USB\\VID_1234&PID_5678"}));
    RecordingLog log;
    EXPECT_EQ(RunPortscout(0x1234, 0x5678, 2, sys, log), 1);
    EXPECT_EQ(log.lines, (Strings{L"Target: VID=0x1234 PID=0x5678.", L"Check: USB\\VID_1111&PID_2222.",
                                  L"Check: usb\\vid_1234&pid_5678&mi_00.", L"Found: USB\\VID_1234&PID_5678&MI_00.",
                                  L"return 1."}));
    EXPECT_EQ(sys.counters.open, 0);
    ASSERT_EQ(sys.interfaceClassesAsked.size(), 1u);
    EXPECT_EQ(FormatGuid(sys.interfaceClassesAsked[0]), L"{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
}

TEST(Portscout, SingleStringIdAndNotFound) {
    FakeDeviceSystem sys;
    sys.interfaceDevices.push_back(FakeDevice{}.Set(kDevPKeyHardwareIds, StringProp(L"USB\\VID_0ABC&PID_0001")));
    RecordingLog log;
    EXPECT_EQ(RunPortscout(0xABC, 0, 0, sys, log), 0);
    EXPECT_EQ(log.lines, (Strings{L"Target: VID=0x0ABC PID=0x0000.", L"Check: USB\\VID_0ABC&PID_0001.",
                                  L"return 0."}));
    // One non-zero ID is enough; the other is searched for as 0000.
    sys.interfaceDevices.push_back(WithIds({L"USB\\VID_0000&PID_0001&REV_0002"}));
    log.lines.clear();
    EXPECT_EQ(RunPortscout(0, 1, 3, sys, log), 1);
    EXPECT_EQ(log.lines.back(), L"return 1.");
}

TEST(Portscout, BothIdsZeroAndFailedList) {
    FakeDeviceSystem sys;
    RecordingLog log;
    EXPECT_EQ(RunPortscout(0, 0, 2, sys, log), 5);
    EXPECT_EQ(log.lines, Strings{L"parameter error."});
    EXPECT_TRUE(sys.interfaceClassesAsked.empty());
    sys.failOpen = true;
    sys.openError = 87;
    log.lines.clear();
    EXPECT_EQ(RunPortscout(1, 0, 2, sys, log), 11);
    EXPECT_EQ(log.lines, (Strings{L"Target: VID=0x0001 PID=0x0000.", L"SetupDiGetClassDevsEx failed (87).",
                                  L"return 11."}));
}

}  // namespace
}  // namespace fwu
