#pragma once

#include <windows.h>

#include <string>

#include "config.h"

namespace upd {

// A message box whose text is MSG/<key> and caption MSG/IDS_STR_TITLE.
// With `noBox` (silent, or nobody can answer here) it shows nothing and
// gives IDYES; an empty text gives IDCANCEL.
int ShowConfigMessage(const fwu::CGlobalIniMgr& config, bool noBox, const std::wstring& key, UINT flags);

}  // namespace upd
