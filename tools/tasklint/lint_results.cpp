// The results a task can give, as far as the task list tells: Update's own
// result rule over the answers the task's action can give in each run.
#include <set>

#include "flag_names.h"
#include "lint_pass.h"
#include "task_record.h"
#include "text.h"

namespace fwu::lint {

namespace {

uint32_t ParseNames(const std::vector<upd::FlagNameEntry>& table, const std::wstring& list) {
    return upd::ParseFlagNames(table.data(), list);
}

ResultSet TaskDialogResults(const upd::TaskRecord& task) {
    ResultSet r;
    const std::vector<upd::FlagNameEntry>& flagNames = TaskDialogFlagTable();
    const std::vector<upd::FlagNameEntry>& buttonNames = CommonButtonTable();
    uint32_t flags = ParseNames(flagNames, task.TD_Flags);
    uint32_t common = ParseNames(buttonNames, task.TD_CommonButtons);
    std::set<uint32_t> buttons, radios;
    std::set<bool> checks{false};
    for (int32_t id : CommonButtonIds(common)) buttons.insert(uint32_t(id));
    for (int32_t id : task.ButtonIds) buttons.insert(uint32_t(id));
    if (buttons.empty()) buttons.insert(1);  // the dialog shows OK
    // Closing the dialog answers IDCANCEL.
    if ((flags & FlagValue(flagNames, L"TDF_ALLOW_DIALOG_CANCELLATION")) ||
        (common & FlagValue(buttonNames, L"TDCBF_CANCEL_BUTTON")))
        buttons.insert(2);
    for (int32_t id : task.RadioIds) radios.insert(uint32_t(id));
    if (radios.empty() || (flags & FlagValue(flagNames, L"TDF_NO_DEFAULT_RADIO_BUTTON"))) radios.insert(0);
    if (!task.TD_VerificationText.empty()) checks.insert(true);
    for (uint32_t rad : radios)
        for (uint32_t b : buttons)
            for (bool checked : checks)
                r.values.insert(upd::PackTaskDialogResult(int32_t(b), int32_t(rad), checked));
    r.failures = {upd::kTaskFailed};
    return r;
}

}  // namespace

ResultSet SilentResults(const TaskInfo& task) {
    ResultSet r;
    switch (task.type) {
    case kTaskMessageBox:
    case kTaskTaskDialog:
        r.values = {upd::kSilentDialogAnswer};
        return r;
    case kTaskShutdown:
    case kTaskRestart:
        r.values = {upd::kTaskFailed};
        return r;
    default:
        return task.results;
    }
}

// The results Update gives for the answers the task's action can give.
ResultSet InteractiveResults(const TaskInfo& t, const upd::TaskRecord& task) {
    ResultSet answers;
    switch (t.type) {
    case kTaskRunProgram:
        if (task.WaitExit)
            answers.any = true;  // the exit code
        else
            answers.values = {0, upd::kTaskFailed};  // started, or not
        break;
    case kTaskMessageBox: {
        const std::vector<uint32_t> group = MessageBoxButtonGroup(ParseNames(MessageBoxStyleTable(), task.MsgType));
        // A group Windows does not define: any button.
        answers.values = group.empty() ? AnyMessageBoxButton() : std::set<uint32_t>(group.begin(), group.end());
        answers.failures = {0};
        break;
    }
    case kTaskShutdown:
    case kTaskRestart:
    case kTaskOpenUrl:
    case kTaskRemoveOwnFolder:
        answers.values = {0, 1};  // the result does not depend on it
        break;
    case kTaskWow64Test:
    case kTaskParameterTest:
        answers.values = {0, 1};
        break;
    case kTaskDiskModelCheck:
    case kTaskDiskFirmwareCheck:
        answers.values = {0, 1, upd::kTaskFailed};  // the comparison
        break;
    case kTaskBaseBoardCheck: {
        uint32_t entries = BaseBoardEntryCount(task.Data);
        for (uint32_t i = 0; i < entries && i < 4096; ++i) answers.values.insert(i);
        if (entries >= 4096) answers.any = true;
        answers.values.insert(upd::kTaskFailed);
        break;
    }
    case kTaskTaskDialog:
        answers = TaskDialogResults(task);
        break;
    default:
        return ResultSet();
    }
    ResultSet r;
    r.any = answers.any;
    for (uint32_t a : answers.values) r.values.insert(upd::TaskResult(task, a));
    for (uint32_t a : answers.failures) r.failures.insert(upd::TaskResult(task, a));
    return r;
}

// The parameter test without Data always gives 1. Update /s finds its
// own "/s" (the test ignores letter case): 0. A run shown to a person
// was started without "/s" and found none stored at start-up (else it
// would be silent): 1. Other arguments may come from the starter's
// owner file, so both answers stay possible.
void ParameterTestResults(TaskInfo& t, const upd::TaskRecord& task) {
    if (task.Data.empty()) {
        t.interactive.results.values = t.silent.results.values = {1};
    } else if (EqualsNoCaseAscii(task.Data, L"/s")) {
        t.interactive.results.values = {1};
        t.silent.results.values = {0};
    } else {
        return;
    }
    t.results.values = t.interactive.results.values;
    t.results.values.insert(t.silent.results.values.begin(), t.silent.results.values.end());
}

}  // namespace fwu::lint
