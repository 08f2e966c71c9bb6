// What the checker knows of task sections around Update's own task record
// (task.h, whose Load and next-task rule it uses, and task_keys.h, the keys):
// how it reads each key's value, the names of the task types, the buttons of
// message boxes and task dialogs, and the codes of Windows it names.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "flag_names.h"
#include "task.h"
#include "task_keys.h"

namespace fwu::lint {

// The task types and bounds as Update defines them.
inline constexpr uint32_t kTaskRunProgram = upd::TASK_RUN_PROGRAM;
inline constexpr uint32_t kTaskMessageBox = upd::TASK_MESSAGE_BOX;
inline constexpr uint32_t kTaskShutdown = upd::TASK_SHUTDOWN;
inline constexpr uint32_t kTaskRestart = upd::TASK_RESTART;
inline constexpr uint32_t kTaskOpenUrl = upd::TASK_OPEN_URL;
inline constexpr uint32_t kTaskWow64Test = upd::TASK_WOW64_TEST;
inline constexpr uint32_t kTaskBaseBoardCheck = upd::TASK_BASEBOARD_CHECK;
inline constexpr uint32_t kTaskDiskModelCheck = upd::TASK_DISK_MODEL_CHECK;
inline constexpr uint32_t kTaskDiskFirmwareCheck = upd::TASK_DISK_FIRMWARE_CHECK;
inline constexpr uint32_t kTaskGoto = upd::TASK_GOTO;
inline constexpr uint32_t kTaskTaskDialog = upd::TASK_TASK_DIALOG;
inline constexpr uint32_t kTaskReturnValue = upd::TASK_RETURN_VALUE;
inline constexpr uint32_t kTaskParameterTest = upd::TASK_PARAMETER_TEST;
inline constexpr uint32_t kTaskRemoveOwnFolder = upd::TASK_REMOVE_OWN_FOLDER;
inline constexpr uint32_t kTaskTypeDefault = upd::kTaskTypeDefault;
inline constexpr uint32_t kMaxDialogEntries = upd::kMaxDialogEntries;

// Codes of Windows that findings name: what GetExitCodeProcess answers for
// a process that has not ended (STILL_ACTIVE), and "done, restart required"
// (ERROR_SUCCESS_REBOOT_REQUIRED).
inline constexpr uint32_t kStillActive = 259;
inline constexpr uint32_t kExitRestartRequired = 3010;

// What the checker needs of the system while loading a task: nothing is
// expanded (environment variables depend on the target machine).
class LintEnvironment : public upd::ITaskEnvironment {
public:
    bool ExpandEnvironmentText(const std::wstring&, std::wstring&) override { return false; }
    bool HasStoredParameter(const std::wstring&) override { return false; }
};

// The keys of a TASK_n section are Update's own table (task_keys.h).
using upd::TaskKey;
using upd::TaskKeys;

// How the checker reads a key's value: as text, a number or a TRUE/FALSE flag.
enum class TaskKeyKind { String, Number, Flag };
TaskKeyKind KindOf(const TaskKey& key);
// The key of that name, compared ignoring ASCII case; null when unknown.
const TaskKey* FindTaskKey(const std::wstring& name);
bool TaskKeyUsedBy(const TaskKey& key, uint32_t type);

// The name of a task type as findings and the graph write it ("run
// program", "go to"; "not loadable" beyond 13), and as the dry run's notes
// write it ("program", "go-to").
const wchar_t* TypeName(uint32_t type);
const wchar_t* TypeWord(uint32_t type);

// The ids the buttons of a message box answer with, in their order on the
// box, by the button group of its style (MB_OK to MB_CANCELTRYCONTINUE);
// empty for a group Windows does not define.
std::vector<uint32_t> MessageBoxButtonGroup(uint32_t style);
// Every id a button of some group answers with.
std::set<uint32_t> AnyMessageBoxButton();

// Update's flag-name tables (flag_names.h), built once: MsgType's styles,
// TD_Flags' flags and TD_CommonButtons' buttons.
const std::vector<upd::FlagNameEntry>& MessageBoxStyleTable();
const std::vector<upd::FlagNameEntry>& TaskDialogFlagTable();
const std::vector<upd::FlagNameEntry>& CommonButtonTable();

// The value of one name of one of Update's flag-name tables
// ("TDF_ALLOW_DIALOG_CANCELLATION"); 0 for a name it does not hold.
uint32_t FlagValue(const std::vector<upd::FlagNameEntry>& table, const wchar_t* name);

// The button ids of the common buttons set in TD_CommonButtons, in the
// order of their flags (OK 1, Yes 6, No 7, Cancel 2, Retry 4, Close 8).
std::vector<int32_t> CommonButtonIds(uint32_t commonButtons);

// How many names a base-board check compares (its results are their
// positions): the list cut at commas, a trailing comma adding none.
uint32_t BaseBoardEntryCount(const std::wstring& data);

}  // namespace fwu::lint
