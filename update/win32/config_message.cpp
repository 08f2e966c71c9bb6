#include "config_message.h"

#include "text.h"

namespace upd {

int ShowConfigMessage(const fwu::CGlobalIniMgr& config, bool noBox, const std::wstring& key, UINT flags) {
    if (noBox) return IDYES;
    std::wstring caption = config.GetString(L"MSG", L"IDS_STR_TITLE", L"");
    std::wstring text = config.GetString(L"MSG", key, L"");
    if (text.empty()) return IDCANCEL;
    caption = fwu::ExpandLineBreaks(caption, L"\r\n");
    text = fwu::ExpandLineBreaks(text, L"\r\n");
    return ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags);
}

}  // namespace upd
