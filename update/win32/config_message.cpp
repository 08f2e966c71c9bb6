#include "config_message.h"

#include "config.h"
#include "globals.h"
#include "runstate.h"
#include "text.h"

namespace upd {

int ShowConfigMessage(const std::wstring& key, UINT flags) {
    if (g_run.silent) return IDYES;
    std::wstring caption = g_IniMgr.GetString(L"MSG", L"IDS_STR_TITLE", L"");
    std::wstring text = g_IniMgr.GetString(L"MSG", key, L"");
    if (text.empty()) return IDCANCEL;
    caption = fwu::ExpandLineBreaks(caption, L"\r\n");
    text = fwu::ExpandLineBreaks(text, L"\r\n");
    return ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags);
}

}  // namespace upd
