// The system probes of Update: the base-board product name from the SMBIOS
// table and a disk drive value from the system's management interface, with
// their comparisons, caches and log lines. The platform calls stand behind
// small interfaces so that the rules run anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "logsink.h"
#include "smbios.h"

namespace upd {

// ---- base board ----------------------------------------------------------

enum class BaseBoardStatus {
    kOk,
    kNotFound,       // no table, or no type-2 structure
    kCantGet,        // the type-2 structure cannot be copied
    kLengthZero,     // no product string (number 0, past the set, or empty)
    kStringCantGet,  // the product string cannot be copied
};

// Reads the table through `smbios` and takes the product name (string
// number at byte 5) of the first type-2 structure.
BaseBoardStatus ReadBaseBoardProduct(CSMBios& smbios, std::string* product);

// 0-based position of the first entry of the comma-separated list that is
// a prefix of the name ignoring ASCII case, after trimming blanks and then
// double quotes; 0xFFFFFFFF when none matches or the list is empty.
uint32_t CompareBaseBoardText(const std::wstring& list, const std::wstring& name);

// Converts the 8-bit product name (the system's ANSI code page).
using AnsiToWideFn = std::function<std::wstring(const std::string&)>;

// The type-6 action: the cached name when there is one ("(2)" line), else
// a fresh read that fills the cache; then CompareBaseBoardText.
uint32_t CheckBaseBoardWith(IFirmwareTableSource& tables, const AnsiToWideFn& toWide, std::wstring& cache,
                            const std::wstring& data, fwu::ILog& log);

// ---- disk drive ----------------------------------------------------------

enum class DiskQueryStatus {
    kOk,
    kSecurityFailed,
    kLocatorFailed,
    kConnectFailed,
    kBlanketFailed,
    kQueryFailed,
};

// The management query "SELECT * FROM Win32_DiskDrive": the value of the
// property of the first drive whose InterfaceType is "IDE" (ignoring case),
// or empty when there is none.
class IDiskDriveSource {
public:
    virtual ~IDiskDriveSource() = default;
    virtual DiskQueryStatus FirstIdeDriveValue(const std::wstring& property, std::wstring* value) = 0;
};

// The disk values read in this run, one per property name: a "Model" read
// never answers a later "FirmwareRevision" task, nor the other way round.
class DiskValueCache {
public:
    // The cached value, or null when this property has no non-empty value yet.
    const std::wstring* Find(const std::wstring& property) const;
    void Store(const std::wstring& property, const std::wstring& value);

private:
    std::map<std::wstring, std::wstring> m_values;
};

// `data` against the first characters of `value`, ASCII letters folded to
// lower case: 0 equal, 1 when the value sorts after `data`, 0xFFFFFFFF when
// it sorts before or is shorter. An empty `data` equals everything.
uint32_t CompareDiskValue(const std::wstring& data, const std::wstring& value);

// The CheckDiskDrive action; each failure writes its line and gives
// 0xFFFFFFFF.
uint32_t CheckDiskDriveWith(IDiskDriveSource& source, DiskValueCache& cache, const std::wstring& property,
                            const std::wstring& data, fwu::ILog& log);

// Task results of types 7 (model) and 8 (firmware revision).
uint32_t DiskModelResult(uint32_t compared);
uint32_t DiskFirmwareResult(uint32_t compared);

inline constexpr const wchar_t kDiskPropertyModel[] = L"Model";
inline constexpr const wchar_t kDiskPropertyFirmware[] = L"FirmwareRevision";

}  // namespace upd
