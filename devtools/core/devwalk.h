// The walk over the present devices shared by Findling, Ailscan, Romstamp and
// Unbinder, and the small platform interface it runs on. The Win32 layer
// implements IDeviceSystem with SetupAPI; tests drive the walk with doubles.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devprop.h"
#include "logsink.h"

namespace fwu {

// Where the tools write their log lines (the program's log file).
using IToolLog = ILog;

// One open device information set. It is released when the object is
// destroyed, which the walk guarantees on every path.
class IDeviceList {
public:
    virtual ~IDeviceList() = default;
    // Selects the device at `index` (0, 1, 2, ...); false when there is none
    // (normally the end of the list).
    virtual bool SelectDevice(uint32_t index) = 0;
    // Reads a property of the selected device: size query, then the value
    // into a buffer of exactly that size. `ok` is false when the second read
    // fails.
    virtual RawProperty GetProperty(const DevPropKey& key) = 0;
};

class IDeviceSystem {
public:
    virtual ~IDeviceSystem() = default;
    // Every present device of every setup class. Null on failure, with the
    // system error code in `error`.
    virtual std::unique_ptr<IDeviceList> OpenPresentDevices(uint32_t* error) = 0;
    // The present devices that expose an interface of the given class.
    virtual std::unique_ptr<IDeviceList> OpenInterfaceClass(const Guid& interfaceClass, uint32_t* error) = 0;
};

// A property of the selected device as a list of strings; empty when the
// device lacks it, it cannot be read or its type is not rendered.
std::vector<std::wstring> ReadDeviceProperty(IDeviceList& devices, const DevPropKey& key);

enum class WalkStep { Stop, Continue };
enum class WalkOutcome { EnumerationFailed, Stopped, Exhausted };

// Called for each device whose hardware IDs contain the target, with the
// device selected in `devices`.
using MatchStep = std::function<WalkStep(IDeviceList& devices)>;

// Walks the present devices in enumeration order and calls `step` for each
// one with a hardware ID that contains `target` (case-sensitive substring),
// after logging "Match HwID [<that hardware ID>].". Logs
// "SetupDiGetClassDevs failed <error>." when the list cannot be obtained.
WalkOutcome EnumerateMatchingDevices(IDeviceSystem& system, IToolLog& log, const std::wstring& target,
                                     const MatchStep& step);

}  // namespace fwu
