#include "system_actions.h"

#include "text.h"

namespace upd {

uint32_t ShutdownModeForData(const std::wstring& data) {
    return fwu::SettingIs(data, L"HYBRID_SHUTDOWN") ? kExitModeHybridShutdown : kExitModeShutdown;
}

bool ExitWindowsFlagsForMode(uint32_t mode, uint32_t* flags) {
    uint32_t f = 0;
    switch (mode) {
        case kExitModeRestart: f = kEwxReboot; break;
        case kExitModeShutdown: f = kEwxShutdown; break;
        case kExitModeHybridShutdown: f = kEwxShutdown | kEwxHybridShutdown; break;
        default: return false;
    }
    if (flags) *flags = f;
    return true;
}

void DeleteFolderContentsWith(IFolderRemoval& platform, const std::wstring& folder) {
    std::vector<FolderEntry> entries;
    if (!platform.ListFolder(folder, &entries)) {
        platform.RegisterDelete(folder);
        return;
    }
    for (const FolderEntry& e : entries) {
        if (fwu::EqualsNoCaseAscii(e.name, L".") || fwu::EqualsNoCaseAscii(e.name, L"..")) continue;
        const std::wstring path = folder + L"\\" + e.name;
        // A link to a folder elsewhere is removed as a link: walking it would
        // register files outside this folder (or loop for ever on a link to
        // a parent).
        if (e.directory && !e.reparsePoint) DeleteFolderContentsWith(platform, path);
        platform.RegisterDelete(path);
    }
}

}  // namespace upd
