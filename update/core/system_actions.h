// Rules of Update's small system actions: the shutdown mode of a task, the
// flags each mode asks Windows for, the WOW64 test's result, and the walk
// that registers Update's own folder for removal at the next start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace upd {

// ExitWindowsTask modes.
inline constexpr uint32_t kExitModeRestart = 1;
inline constexpr uint32_t kExitModeShutdown = 2;
inline constexpr uint32_t kExitModeHybridShutdown = 3;

// EWX_REBOOT, EWX_SHUTDOWN, EWX_HYBRID_SHUTDOWN.
inline constexpr uint32_t kEwxReboot = 0x2;
inline constexpr uint32_t kEwxShutdown = 0x1;
inline constexpr uint32_t kEwxHybridShutdown = 0x400000;
// SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_MAINTENANCE.
inline constexpr uint32_t kShutdownReason = 0x80040001;

// Type 2: mode 3 when Data, upper-cased, is exactly "HYBRID_SHUTDOWN", else 2.
uint32_t ShutdownModeForData(const std::wstring& data);
// The ExitWindowsEx flags of a mode; false for a mode that does nothing.
bool ExitWindowsFlagsForMode(uint32_t mode, uint32_t* flags);

// Type 5: 0 when the process runs under WOW64, else 1.
inline uint32_t Wow64TaskResult(uint32_t isWow64) { return isWow64 != 0 ? 0u : 1u; }

// One entry of a folder listing.
struct FolderEntry {
    std::wstring name;
    bool directory = false;
    // A junction or symbolic link: removed as the link itself, never walked.
    bool reparsePoint = false;
};

// The platform half of the folder removal: listing a folder
// (FindFirstFileW on folder + "\*.*") and registering one path for
// deletion at the next start (MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT).
class IFolderRemoval {
public:
    virtual ~IFolderRemoval() = default;
    virtual bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>* entries) = 0;
    virtual void RegisterDelete(const std::wstring& path) = 0;
};

// Registers every entry below `folder`, each folder after its contents
// (depth first). A folder that cannot be listed is registered itself.
void DeleteFolderContentsWith(IFolderRemoval& platform, const std::wstring& folder);

}  // namespace upd
