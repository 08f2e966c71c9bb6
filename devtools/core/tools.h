// The flows of the five device tools, apart from the platform: each returns
// the program's exit code and writes the tool's log lines. The Win32 entry
// points read the options, open the log, call these and close the log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "devwalk.h"

namespace fwu {

// The exit code of Findling, Ailscan, Romstamp and Portscout started
// without the options they need.
inline constexpr int32_t kExitMissingOption = 5;
// Unbinder's answer when it removes nothing (also without /HwID:).
inline constexpr uint32_t kUnbinderCouldNot = 0xFFFFFFFFu;

// Findling: 0 found, 5 no text, 6 not found, 7 device list unavailable.
int32_t RunFindling(const std::wstring& hwid, IDeviceSystem& system, IToolLog& log);

// What tells Ailscan and Romstamp apart.
struct CompareProfile {
    const DevPropKey* property;
    const wchar_t* valueOption;  // "ProbCode:" / "Ver:"
    const wchar_t* targetLine;   // line of the value given
    const wchar_t* foundLine;    // line of the value found
    const wchar_t* bannerName;
};
extern const CompareProfile kAilscanProfile;
extern const CompareProfile kRomstampProfile;

// The platform's case-insensitive text comparison (lstrcmpiW): any negative,
// zero or positive number.
using TextCompare = std::function<int(const std::wstring& first, const std::wstring& second)>;

// -1, 0 or 1 by the sign of a comparison result.
int32_t CompareSign(int comparison);

// Ailscan / Romstamp: 0 equal, 1 the device's value sorts after the given
// one, -1 before, 5 an option empty, 6 no match, 7 device list unavailable,
// 8 the first matching device lacks the property.
int32_t RunPropertyCompare(const CompareProfile& profile, const std::wstring& hwid, const std::wstring& value,
                           IDeviceSystem& system, IToolLog& log, const TextCompare& compare);

// Starts the driver-store utility and waits for it.
class IUtilityRunner {
public:
    virtual ~IUtilityRunner() = default;
    // Environment expansion; the text unchanged when it fails.
    virtual std::wstring ExpandEnvironment(const std::wstring& text) = 0;
    // Runs the command line to its end and answers its exit code, or
    // 0xFFFFFFFF when it cannot be started or waited for. Writes the lines of
    // the start and the wait itself.
    virtual uint32_t RunAndWait(const std::wstring& commandLine) = 0;
};

extern const wchar_t kPnpUtilPath[];      // "%WINDIR%\System32\pnputil.exe"
extern const wchar_t kPnpUtilArguments[];  // "/delete-driver %ls /uninstall /force"

// "\"<path>\"" followed, when there are arguments, by one blank and them.
std::wstring BuildUtilityCommandLine(const std::wstring& path, const std::wstring& arguments);

// The INF name of the first matching device that has one (empty when none;
// an empty name counts as none);
// logs "inf path= [...]." whatever the walk's outcome.
std::wstring FindDriverInfName(const std::wstring& hwid, IDeviceSystem& system, IToolLog& log);

// Unbinder: the utility's exit code, or 0xFFFFFFFF.
uint32_t RunUnbinder(const std::wstring& hwid, IDeviceSystem& system, IToolLog& log, IUtilityRunner& runner);

// Portscout's numbers: an unsigned 32-bit value read like wcstoul with base
// 0 (0x hexadecimal, leading 0 octal, else decimal; leading white space and
// a sign accepted; too large saturates at 0xFFFFFFFF). False when no digit
// could be read or characters are left over.
bool ParseUnsignedOption(const std::wstring& text, uint32_t* value);
// The option's value, or `fallback` when it is absent, empty or not a number.
uint32_t UnsignedOptionOr(const std::wstring& text, uint32_t fallback);

// Interface class by TYPE: 0 hub, 1 billboard, 3 host controller, anything
// else the USB device class.
Guid UsbInterfaceClass(uint32_t type);
// "VID_%04X&PID_%04X", upper case.
std::wstring UsbSearchPattern(uint32_t vid, uint32_t pid);

// The search over the interface class: 1 found, 0 not found, 11 device list
// unavailable.
int32_t PortscoutSearch(IDeviceSystem& system, IToolLog& log, uint32_t type, uint32_t vid, uint32_t pid);
// Portscout: 5 when both IDs are 0, else the search's result.
int32_t RunPortscout(uint32_t vid, uint32_t pid, uint32_t type, IDeviceSystem& system, IToolLog& log);

}  // namespace fwu
