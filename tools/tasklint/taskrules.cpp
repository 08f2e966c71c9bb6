#include "taskrules.h"

#include "number.h"
#include "text.h"

namespace fwu::lint {

namespace {
constexpr uint32_t Bit(uint32_t t) { return 1u << t; }
constexpr uint32_t kAll = 0x3FFF;
constexpr uint32_t kRun = Bit(kTaskRunProgram);
constexpr uint32_t kDialog = Bit(kTaskTaskDialog);
constexpr uint32_t kData = Bit(kTaskShutdown) | Bit(kTaskBaseBoardCheck) | Bit(kTaskDiskModelCheck) |
                           Bit(kTaskDiskFirmwareCheck) | Bit(kTaskReturnValue) | Bit(kTaskParameterTest);
}  // namespace

const std::vector<TaskKey>& TaskKeys() {
    using K = TaskKeyKind;
    static const std::vector<TaskKey> keys = {
        {L"Type", K::Number, kAll},
        {L"Path", K::String, kRun},
        {L"Dir", K::String, kRun},
        {L"Param", K::String, kRun},
        {L"Param_S", K::String, kRun},
        {L"Verb", K::String, kRun},
        {L"Method", K::String, kRun},
        {L"Distinct", K::String, kRun},
        {L"CalcFile", K::String, kRun},
        {L"WaitExit", K::Flag, kRun | Bit(kTaskOpenUrl)},
        {L"MsgTitle", K::String, Bit(kTaskMessageBox) | kDialog},
        {L"MsgText", K::String, Bit(kTaskMessageBox)},
        {L"MsgType", K::String, Bit(kTaskMessageBox)},
        {L"URL", K::String, Bit(kTaskOpenUrl)},
        {L"Data", K::String, kData},
        {L"AfterWait", K::Number, kAll},
        {L"Goto", K::Number, Bit(kTaskGoto)},
        {L"Verify", K::Flag, kRun},
        {L"TD_Flags", K::String, kDialog},
        {L"TD_CommonButtons", K::String, kDialog},
        {L"TD_pszMainIcon", K::String, kDialog},
        {L"TD_pszFooterIcon", K::String, kDialog},
        {L"TD_hMainIcon", K::String, kDialog},
        {L"TD_hFooterIcon", K::String, kDialog},
        {L"TD_MainInstruction", K::String, kDialog},
        {L"TD_Content", K::String, kDialog},
        {L"TD_cButtons", K::Number, kDialog},
        {L"TD_DefaultButton", K::Number, kDialog},
        {L"TD_cRadioButtons", K::Number, kDialog},
        {L"TD_DefaultRadioButton", K::Number, kDialog},
        {L"TD_VerificationText", K::String, kDialog},
        {L"TD_ExpandedInformation", K::String, kDialog},
        {L"TD_ExpandedControlText", K::String, kDialog},
        {L"TD_CollapsedControlText", K::String, kDialog},
        {L"TD_Footer", K::String, kDialog},
        {L"TD_Width", K::Number, kDialog},
    };
    return keys;
}

const TaskKey* FindTaskKey(const std::wstring& name) {
    for (const TaskKey& k : TaskKeys())
        if (EqualsNoCaseAscii(name, k.name)) return &k;
    return nullptr;
}

bool TaskKeyUsedBy(const TaskKey& key, uint32_t type) { return type < 14 && (key.usedBy & Bit(type)) != 0; }

uint32_t FlagValue(const std::vector<upd::FlagNameEntry>& table, const wchar_t* name) {
    const upd::FlagNameEntry* row = upd::FindFlagName(table.data(), name);
    return row ? row->value : 0;
}

std::vector<int32_t> CommonButtonIds(uint32_t commonButtons) {
    // The common buttons and the ids they answer with (IDOK, IDYES, IDNO,
    // IDCANCEL, IDRETRY, IDCLOSE).
    static const struct {
        const wchar_t* name;
        int32_t id;
    } kButtons[] = {{L"TDCBF_OK_BUTTON", 1},     {L"TDCBF_YES_BUTTON", 6},   {L"TDCBF_NO_BUTTON", 7},
                    {L"TDCBF_CANCEL_BUTTON", 2}, {L"TDCBF_RETRY_BUTTON", 4}, {L"TDCBF_CLOSE_BUTTON", 8}};
    const std::vector<upd::FlagNameEntry> table = upd::CommonButtonNames();
    std::vector<int32_t> ids;
    for (const auto& button : kButtons)
        if (commonButtons & FlagValue(table, button.name)) ids.push_back(button.id);
    return ids;
}

uint32_t BaseBoardEntryCount(const std::wstring& data) {
    if (data.empty()) return 0;
    uint32_t commas = 0;
    for (wchar_t c : data) commas += c == L',';
    return data.back() == L',' ? commas : commas + 1;
}

}  // namespace fwu::lint
