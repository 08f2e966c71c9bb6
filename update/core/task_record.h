// The task type numbers and the record a TASK_n section loads into.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace upd {

// Values of the Type key.
enum TaskType : uint32_t {
    TASK_RUN_PROGRAM = 0,
    TASK_MESSAGE_BOX = 1,
    TASK_SHUTDOWN = 2,
    TASK_RESTART = 3,
    TASK_OPEN_URL = 4,
    TASK_WOW64_TEST = 5,
    TASK_BASEBOARD_CHECK = 6,
    TASK_DISK_MODEL_CHECK = 7,
    TASK_DISK_FIRMWARE_CHECK = 8,
    TASK_GOTO = 9,
    TASK_TASK_DIALOG = 10,
    TASK_RETURN_VALUE = 11,
    TASK_PARAMETER_TEST = 12,
    TASK_REMOVE_OWN_FOLDER = 13,
};

inline constexpr uint32_t kTaskTypeLast = 13;
inline constexpr uint32_t kTaskTypeDefault = 14;  // a missing Type: the task does not load
// The common "could not" value of program starts and dialogs.
inline constexpr uint32_t kTaskFailed = 0xFFFFFFFF;
// The next-task number that ends the run ("end index."): a RET_0x%08X key
// or Goto of -1 gives it, and so does a task that was never loaded.
inline constexpr uint32_t kTaskListEnd = 0xFFFFFFFF;
// Custom buttons and radio buttons a task dialog may carry. A count above
// this (a negative count reads as a huge unsigned one) reads no entries.
inline constexpr uint32_t kMaxDialogEntries = 100;

// The keys of a TASK_n section after their transformation (paths joined
// to the update folder, %UPDATEDIR% and environment variables expanded,
// "\n" made line breaks, flags and numbers read).
struct TaskRecord {
    uint32_t Number = 0;  // n of TASK_n
    bool Silent = false;  // the run is silent: Param_S, no dialogs
    uint32_t Type = kTaskTypeDefault;
    std::wstring Path;
    std::wstring Dir;
    std::wstring Param;
    std::wstring Param_S;
    std::wstring Verb;
    std::wstring Method;
    std::wstring Distinct;
    std::wstring CalcFile;
    uint32_t WaitExit = 0;
    std::wstring MsgTitle;
    std::wstring MsgText;
    std::wstring MsgType;
    std::wstring URL;
    std::wstring Data;
    uint32_t AfterWait = 0;
    int32_t Goto = -1;
    uint32_t Verify = 1;
    std::wstring TD_Flags;
    std::wstring TD_CommonButtons;
    std::wstring TD_pszMainIcon;
    std::wstring TD_pszFooterIcon;
    std::wstring TD_hMainIcon;
    std::wstring TD_hFooterIcon;
    std::wstring TD_MainInstruction;
    std::wstring TD_Content;
    // The two counts always equal the sizes of the lists below.
    uint32_t TD_cButtons = 0;
    int32_t TD_DefaultButton = 0;
    uint32_t TD_cRadioButtons = 0;
    int32_t TD_DefaultRadioButton = 0;
    std::wstring TD_VerificationText;
    std::wstring TD_ExpandedInformation;
    std::wstring TD_ExpandedControlText;
    std::wstring TD_CollapsedControlText;
    std::wstring TD_Footer;
    std::vector<int32_t> ButtonIds;
    std::vector<std::wstring> ButtonTexts;
    std::vector<int32_t> RadioIds;
    std::vector<std::wstring> RadioTexts;
    int32_t TD_Width = 0;
    std::wstring DefaultTitle;  // MSG/IDS_STR_TITLE

    // The arguments of this run: Param_S in silent mode, else Param.
    const std::wstring& ChosenArguments() const { return Silent ? Param_S : Param; }
};

}  // namespace upd
