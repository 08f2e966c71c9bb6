#include "taskrules.h"

#include <iterator>

#include "number.h"
#include "text.h"

namespace fwu::lint {

TaskKeyKind KindOf(const TaskKey& key) {
    switch (key.read) {
    case upd::TaskKeyRead::Number:
    case upd::TaskKeyRead::Count: return TaskKeyKind::Number;
    case upd::TaskKeyRead::TrueFlag:
    case upd::TaskKeyRead::FalseFlag: return TaskKeyKind::Flag;
    default: return TaskKeyKind::String;
    }
}

const TaskKey* FindTaskKey(const std::wstring& name) {
    for (const TaskKey& k : TaskKeys())
        if (EqualsNoCaseAscii(name, k.name)) return &k;
    return nullptr;
}

bool TaskKeyUsedBy(const TaskKey& key, uint32_t type) {
    return type <= upd::kTaskTypeLast && (key.usedBy & (1u << type)) != 0;
}

namespace {
struct TypeNames {
    const wchar_t* name;  // findings and the graph
    const wchar_t* word;  // the dry run's notes
};
constexpr TypeNames kTypeNames[] = {
    {L"run program", L"program"},
    {L"message box", L"message box"},
    {L"shutdown", L"shutdown"},
    {L"restart", L"restart"},
    {L"open URL", L"web page"},
    {L"WOW64 test", L"WOW64 test"},
    {L"base board check", L"base board check"},
    {L"disk model check", L"disk model check"},
    {L"disk firmware check", L"disk firmware check"},
    {L"go to", L"go-to"},
    {L"task dialog", L"task dialog"},
    {L"return value", L"return-value"},
    {L"parameter test", L"parameter test"},
    {L"remove own folder", L"folder removal"},
};
static_assert(std::size(kTypeNames) == upd::kTaskTypeLast + 1);

// MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO,
// MB_RETRYCANCEL, MB_CANCELTRYCONTINUE: IDOK 1, IDCANCEL 2, IDABORT 3,
// IDRETRY 4, IDIGNORE 5, IDYES 6, IDNO 7, IDTRYAGAIN 10, IDCONTINUE 11.
const std::vector<uint32_t> kButtonGroups[] = {
    {1}, {1, 2}, {3, 4, 5}, {6, 7, 2}, {6, 7}, {4, 2}, {2, 10, 11},
};
}  // namespace

const wchar_t* TypeName(uint32_t type) { return type <= upd::kTaskTypeLast ? kTypeNames[type].name : L"not loadable"; }

const wchar_t* TypeWord(uint32_t type) {
    return kTypeNames[type <= upd::kTaskTypeLast ? type : upd::TASK_REMOVE_OWN_FOLDER].word;
}

std::vector<uint32_t> MessageBoxButtonGroup(uint32_t style) {
    const uint32_t group = style & 0xF;  // MB_TYPEMASK
    return group < std::size(kButtonGroups) ? kButtonGroups[group] : std::vector<uint32_t>();
}

std::set<uint32_t> AnyMessageBoxButton() {
    std::set<uint32_t> ids;
    for (const std::vector<uint32_t>& group : kButtonGroups) ids.insert(group.begin(), group.end());
    return ids;
}

uint32_t FlagValue(const std::vector<upd::FlagNameEntry>& table, const wchar_t* name) {
    const upd::FlagNameEntry* row = upd::FindFlagName(table.data(), name);
    return row ? row->value : 0;
}

const std::vector<upd::FlagNameEntry>& MessageBoxStyleTable() {
    static const std::vector<upd::FlagNameEntry> table = upd::MessageBoxFlagNames();
    return table;
}

const std::vector<upd::FlagNameEntry>& TaskDialogFlagTable() {
    static const std::vector<upd::FlagNameEntry> table = upd::TaskDialogFlagNames();
    return table;
}

const std::vector<upd::FlagNameEntry>& CommonButtonTable() {
    static const std::vector<upd::FlagNameEntry> table = upd::CommonButtonNames();
    return table;
}

std::vector<int32_t> CommonButtonIds(uint32_t commonButtons) {
    // The common buttons and the ids they answer with (IDOK, IDYES, IDNO,
    // IDCANCEL, IDRETRY, IDCLOSE).
    static const struct {
        const wchar_t* name;
        int32_t id;
    } kButtons[] = {{L"TDCBF_OK_BUTTON", 1},     {L"TDCBF_YES_BUTTON", 6},   {L"TDCBF_NO_BUTTON", 7},
                    {L"TDCBF_CANCEL_BUTTON", 2}, {L"TDCBF_RETRY_BUTTON", 4}, {L"TDCBF_CLOSE_BUTTON", 8}};
    const std::vector<upd::FlagNameEntry>& table = CommonButtonTable();
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
