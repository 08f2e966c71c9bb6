#include "task_keys.h"

#include "text.h"

namespace upd {

namespace {

constexpr uint32_t Bit(uint32_t type) { return 1u << type; }
constexpr uint32_t kAll = Bit(kTaskTypeLast + 1) - 1;
constexpr uint32_t kRun = Bit(TASK_RUN_PROGRAM);
constexpr uint32_t kDialog = Bit(TASK_TASK_DIALOG);
constexpr uint32_t kBoxAndDialog = Bit(TASK_MESSAGE_BOX) | kDialog;
constexpr uint32_t kData = Bit(TASK_SHUTDOWN) | Bit(TASK_BASEBOARD_CHECK) | Bit(TASK_DISK_MODEL_CHECK) |
                           Bit(TASK_DISK_FIRMWARE_CHECK) | Bit(TASK_RETURN_VALUE) | Bit(TASK_PARAMETER_TEST);

TaskKey Text(const wchar_t* name, TaskKeyRead read, uint32_t usedBy, std::wstring TaskRecord::*field) {
    TaskKey k{name, read, usedBy};
    k.text = field;
    return k;
}

TaskKey Word(const wchar_t* name, TaskKeyRead read, uint32_t usedBy, uint32_t TaskRecord::*field,
             int32_t numberDefault = 0) {
    TaskKey k{name, read, usedBy};
    k.word = field;
    k.numberDefault = numberDefault;
    return k;
}

TaskKey Signed(const wchar_t* name, uint32_t usedBy, int32_t TaskRecord::*field, int32_t numberDefault) {
    TaskKey k{name, TaskKeyRead::Number, usedBy};
    k.number = field;
    k.numberDefault = numberDefault;
    return k;
}

}  // namespace

const std::vector<TaskKey>& TaskKeys() {
    using R = TaskKeyRead;
    using T = TaskRecord;
    static const std::vector<TaskKey> keys = {
        Word(L"Type", R::Number, kAll, &T::Type, static_cast<int32_t>(kTaskTypeDefault)),
        Text(L"Path", R::Folder, kRun, &T::Path),
        Text(L"Dir", R::Folder, kRun, &T::Dir),
        Text(L"Param", R::UpdateDir, kRun, &T::Param),
        Text(L"Param_S", R::UpdateDir, kRun, &T::Param_S),
        Text(L"Verb", R::Text, kRun, &T::Verb),
        Text(L"Method", R::Text, kRun, &T::Method),
        Text(L"Distinct", R::Text, kRun, &T::Distinct),
        Text(L"CalcFile", R::UpdateDir, kRun, &T::CalcFile),
        Word(L"WaitExit", R::TrueFlag, kRun | Bit(TASK_OPEN_URL), &T::WaitExit),
        Text(L"MsgTitle", R::Text, kBoxAndDialog, &T::MsgTitle),
        Text(L"MsgText", R::Lines, Bit(TASK_MESSAGE_BOX), &T::MsgText),
        Text(L"MsgType", R::Text, Bit(TASK_MESSAGE_BOX), &T::MsgType),
        Text(L"URL", R::Text, Bit(TASK_OPEN_URL), &T::URL),
        Text(L"Data", R::Text, kData, &T::Data),
        Word(L"AfterWait", R::Number, kAll, &T::AfterWait),
        Signed(L"Goto", Bit(TASK_GOTO), &T::Goto, -1),
        Word(L"Verify", R::FalseFlag, kRun, &T::Verify),
        Text(L"TD_Flags", R::Text, kDialog, &T::TD_Flags),
        Text(L"TD_CommonButtons", R::Text, kDialog, &T::TD_CommonButtons),
        Text(L"TD_pszMainIcon", R::Text, kDialog, &T::TD_pszMainIcon),
        Text(L"TD_pszFooterIcon", R::Text, kDialog, &T::TD_pszFooterIcon),
        Text(L"TD_hMainIcon", R::File, kDialog, &T::TD_hMainIcon),
        Text(L"TD_hFooterIcon", R::File, kDialog, &T::TD_hFooterIcon),
        Text(L"TD_MainInstruction", R::Lines, kDialog, &T::TD_MainInstruction),
        Text(L"TD_Content", R::Lines, kDialog, &T::TD_Content),
        Word(L"TD_cButtons", R::Count, kDialog, &T::TD_cButtons),
        Signed(L"TD_DefaultButton", kDialog, &T::TD_DefaultButton, 0),
        Word(L"TD_cRadioButtons", R::Count, kDialog, &T::TD_cRadioButtons),
        Signed(L"TD_DefaultRadioButton", kDialog, &T::TD_DefaultRadioButton, 0),
        Text(L"TD_VerificationText", R::Lines, kDialog, &T::TD_VerificationText),
        Text(L"TD_ExpandedInformation", R::Lines, kDialog, &T::TD_ExpandedInformation),
        Text(L"TD_ExpandedControlText", R::Lines, kDialog, &T::TD_ExpandedControlText),
        Text(L"TD_CollapsedControlText", R::Lines, kDialog, &T::TD_CollapsedControlText),
        Text(L"TD_Footer", R::Lines, kDialog, &T::TD_Footer),
        Signed(L"TD_Width", kDialog, &T::TD_Width, 0),
    };
    return keys;
}

std::wstring DialogEntryKeyName(bool radio, uint32_t index, bool id) {
    return fwu::FormatString(radio ? (id ? L"TD_Radio%d_ID" : L"TD_Radio%d_Text")
                                   : (id ? L"TD_Button%d_ID" : L"TD_Button%d_Text"),
                             static_cast<int>(index));
}

}  // namespace upd
