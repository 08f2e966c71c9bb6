// The configuration reader's platform half: values through
// GetPrivateProfileStringW, the integrity check of the file on disk, and the
// language-specific lookup of config.ini beside the running program.
#pragma once

#include <string>

#include "../core/config.h"

namespace fwu {

// GetPrivateProfileStringW on the recorded file.
IProfileSource& PlatformProfileSource();

// Integrity check of the file at `path` and recording of it in `mgr`; a
// file that cannot be opened or read is not recorded.
void LoadConfigFile(CGlobalIniMgr& mgr, const std::wstring& path);

// LocateConfigFile (config.h) beside the running program, through
// GetFileMUIPath: 1 when a file was found, 0 when none exists.
int LocateConfigFile(CGlobalIniMgr& mgr, ConfigLayout layout);

}  // namespace fwu
