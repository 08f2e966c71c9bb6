#include "optpick_core.h"

#include "cmdline.h"
#include "config.h"
#include "number.h"
#include "text.h"

namespace opk {

uint32_t ParseSilentExit(const std::wstring& text) {
    uint32_t value = 0;
    if (text.empty() || !fwu::ParseUnsignedAuto(text, &value)) return 0;
    return value;
}

Options ReadOptions(const CParseParam& params) {
    Options o;
    int32_t silent = 0, topmost = 0;
    params.Find(L"s", &silent);
    params.Find(L"t", &topmost);
    o.silent = silent != 0;
    o.topmost = topmost != 0;
    o.dialogNumber = params.Find(L"MSG:", nullptr);
    o.silentExit = ParseSilentExit(params.Find(L"ReturnBySilent:", nullptr));
    o.logPath = params.Find(L"LOG:", nullptr);
    if (o.dialogNumber.empty()) o.dialogNumber = L"0";
    return o;
}

std::wstring SectionName(const std::wstring& dialogNumber) { return L"OptpickSet" + dialogNumber; }

std::wstring ReadCaption(const fwu::CGlobalIniMgr& ini, const std::wstring& section) {
    std::wstring title = ini.GetString(section, L"Title", L"");
    if (title.empty()) title = ini.GetString(L"MSG", L"IDS_STR_TITLE", L"");
    return title;
}

Settings ReadSettings(const fwu::CGlobalIniMgr& ini, const std::wstring& section) {
    Settings s;
    s.title = ReadCaption(ini, section);
    s.desc1 = fwu::ExpandLineBreaks(ini.GetString(section, L"Desc1", L""), L"\n");
    s.desc2 = fwu::ExpandLineBreaks(ini.GetString(section, L"Desc2", L""), L"\n");
    for (size_t i = 0; i < kCheckCount; ++i)
        s.checks[i] = ini.GetString(section, fwu::FormatString(L"Check%d", int(i)), L"");
    s.okText = ini.GetString(section, L"OkBtn", L"");
    s.cancelText = ini.GetString(section, L"CancelBtn", L"");
    s.fontSize = ParseFontSize(ini.GetString(section, L"FontSize", L""));
    return s;
}

int32_t ParseFontSize(const std::wstring& text) {
    if (text.empty()) return 0;
    int32_t value = 0;
    if (fwu::StrToIntExHex(text, &value)) return value;
    return fwu::LeadingDecimal(text);
}

bool OkEnabled(const std::array<CheckState, kCheckCount>& boxes) {
    for (const CheckState& box : boxes)
        if (box.visible && !box.checked) return false;
    return true;
}

InitialFocus ChooseInitialFocus(const std::array<bool, kCheckCount>& shown, bool cancelShown) {
    InitialFocus f;
    for (size_t i = 0; i < kCheckCount; ++i) {
        if (shown[i]) {
            f.control = kCheckBoxes[i];
            return f;
        }
    }
    if (!cancelShown) {
        f.control = kIdOk;
        f.enableOk = true;
    } else {
        // Control 1002 does not exist in the template: Cancel, the only way
        // on, takes the focus instead.
        f.control = kIdCancel;
    }
    return f;
}

CommandAction ClassifyCommand(int id, bool cancelShown, bool okEnabled) {
    switch (id) {
        case kIdCancel:
            // With the Cancel button removed, Escape (which the dialog
            // manager reports as IDCANCEL) must not decline either.
            return cancelShown ? CommandAction::Decline : CommandAction::Ignore;
        case kIdOk:
            return okEnabled ? CommandAction::Confirm : CommandAction::Ignore;
        case kIdCheck0:
        case kIdCheck1:
            return CommandAction::UpdateOk;
        default:
            return CommandAction::NotHandled;
    }
}

}  // namespace opk
