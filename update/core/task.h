// One task of the task list: the keys of its TASK_n section after loading,
// and the operations that carry it out.
//
// The record, its loading rules, the type dispatch and the checks that need
// no platform call are portable (task.cpp). The operations that call Windows
// directly (starting programs, dialogs, probes, power) are defined in the
// Win32 layer of Update; the portable code reaches the few platform services
// it needs through ITaskPlatform, which tests replace.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fwu {
class CGlobalIniMgr;
}

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
// Custom buttons and radio buttons a task dialog may carry. A count above
// this (a negative count reads as a huge unsigned one) reads no entries.
inline constexpr uint32_t kMaxDialogEntries = 100;

// One row of a flag-name table: the SDK value and its upper-case name. A
// table ends at the first row whose name is empty.
struct FlagNameEntry {
    uint32_t value;
    wchar_t name[260];
};

// A file held open for reading while others may only read it: nobody can
// write, replace, rename or delete it until the hold is destroyed.
class IFileHold {
public:
    virtual ~IFileHold() = default;
};
using FileHold = std::unique_ptr<IFileHold>;

// Platform services the portable task code needs.
class ITaskPlatform {
public:
    virtual ~ITaskPlatform() = default;
    // ExpandEnvironmentStringsW; false when the expansion fails.
    virtual bool ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) = 0;
    // The stored command-line files (__MyParams.dat, then __MyParamsOwner.dat).
    virtual bool HasStoredParameter(const std::wstring& name) = 0;
    // WinVerifyTrust of the file, read through a handle that shares reading
    // only; 0 when trusted. The handle is handed out in `hold`, so that the
    // file started later is the file verified. A file that cannot be opened
    // that way is not trusted, and `hold` stays empty.
    virtual int32_t VerifyFileTrust(const std::wstring& path, FileHold& hold) = 0;
    // The 64-digit upper-case SHA-256 text of the file, read through a
    // handle that shares reading only and is handed out in `hold`; empty
    // when none (`hold` then may stay empty).
    virtual std::wstring HashFileSha256(const std::wstring& path, FileHold& hold) = 0;
    // One line of the run's log.
    virtual void Log(const std::wstring& line) = 0;
    // AllowSetForegroundWindow(ASFW_ANY).
    virtual void AllowSetForeground() = 0;
    // Closes a process handle that a task held.
    virtual void CloseProcessHandle(void* handle) = 0;
};

// The platform of the running program (Win32 layer); tests do not link it.
ITaskPlatform& PlatformTaskServices();

class CTask {
public:
    // ownerWindow: Update's hidden window (HWND).
    CTask(void* ownerWindow, ITaskPlatform& platform);
    virtual ~CTask();
    CTask(const CTask&) = delete;
    CTask& operator=(const CTask&) = delete;

    // Reads section "TASK_<taskNumber>"; false when there is no configuration
    // or Type is missing or above 13.
    virtual bool Load(const std::wstring& updateFolder, const fwu::CGlobalIniMgr* config, uint32_t taskNumber,
                      uint32_t silent);
    // Runs the action of the task's type; stores and returns the result.
    virtual uint32_t Execute();
    // 1 while a started program (or browser) must still be waited for.
    virtual uint32_t IsWaiting();
    // Brings the window of the running task to the front.
    virtual void Activate();
    // 1 when the task may run (signature and hash checks of type 0).
    virtual uint32_t VerifyTarget();
    virtual uint32_t GetAfterWait() { return AfterWait; }
    // The next task after `result`: Goto for type 9, else RET_0x%08X, else n + 1.
    virtual uint32_t GetNextTaskNumber(uint32_t result);
    virtual uint32_t GetType() { return Type; }
    virtual uint32_t GetResult() { return m_nResult; }
    // Type 0: starts Path by Method; 0 when started, 0xFFFFFFFF when not.
    virtual uint32_t RunProgram();
    // Type 1: the identifier of the pressed button (6 in silent mode).
    virtual uint32_t ShowMessageBox();
    // Types 2 and 3: mode 1 restart, 2 shutdown, 3 hybrid shutdown.
    virtual void ExitWindowsTask(uint32_t mode);
    // Type 4: 1 when the page was opened or in silent mode, 0 on failure.
    virtual uint32_t OpenUrl();
    // Type 5: 1 when Update runs under WOW64.
    virtual uint32_t IsWow64();
    // Type 6: position of the board name in Data, or 0xFFFFFFFF.
    virtual uint32_t CheckBaseBoard();
    // Types 7 and 8: property "Model" or "FirmwareRevision"; 0 equal,
    // 1 sorts after Data, 0xFFFFFFFF before, shorter or unavailable.
    virtual uint32_t CheckDiskDrive(const std::wstring& property);
    // Type 10: button, radio button and check box packed into one value.
    virtual uint32_t ShowTaskDialog();
    // Type 11: the number in Data (0 when empty or not a number).
    virtual uint32_t ReturnDataValue();
    virtual uint32_t StartProcess();
    virtual uint32_t StartShellExecute();
    // Makes the hidden window the foreground window (not in silent mode).
    virtual void BringOwnerToFront();
    // OR of the values of the comma-separated names of `list` in `table`.
    virtual uint32_t ParseFlagNames(const FlagNameEntry* table, const std::wstring& list);
    // 1 when no hash check is asked for or the hash of CalcFile is Distinct.
    virtual uint32_t CheckFileHash();
    // 0-based position of the first entry of `list` matching `name`, or 0xFFFFFFFF.
    virtual uint32_t CompareBaseBoardText(const std::wstring& list, const std::wstring& name);
    // The text with environment variables expanded (unchanged on failure).
    virtual std::wstring ExpandEnvironment(const std::wstring& text);
    // Type 12: 0 when Data is a stored argument, 1 when not or Data is empty.
    virtual uint32_t TestParameter();
    // Type 13: schedules Update's folder for removal at restart; 0.
    virtual uint32_t RemoveOwnFolderAtReboot();
    virtual void DeleteFolderContents(const std::wstring& folder);

    // The dialog branch of Activate (types 1 and 10): the open message box
    // or task dialog comes to the front, else the hidden window.
    void ActivateDialog();

    // The arguments of this run: Param_S in silent mode, else Param.
    const std::wstring& ChosenArguments() const { return m_bSilent ? Param_S : Param; }
    uint32_t GetTaskNumber() const { return m_nTaskNumber; }
    void* GetProcessHandle() const { return m_hProcess; }
    // Takes ownership of a started process (closes one held before).
    void SetProcessHandle(void* handle);
    // Closes and clears the held process handle, if any.
    void CloseProcessHandle();
    void SetResult(uint32_t result) { m_nResult = result; }
    // The started program has ended: CalcFile is no longer held.
    void ReleaseHashedFile() { m_hashedFile.reset(); }

    // Owner and run settings.
    void* m_hOwner = nullptr;
    uint32_t m_bSilent = 0;
    const fwu::CGlobalIniMgr* m_pIniMgr = nullptr;
    uint32_t m_nTaskNumber = 0;

    // Keys of the TASK_n section, after their transformation.
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
    std::vector<int32_t> m_ButtonIds;
    std::vector<std::wstring> m_ButtonTexts;
    std::vector<int32_t> m_RadioIds;
    std::vector<std::wstring> m_RadioTexts;
    int32_t TD_Width = 0;

    // Files held from VerifyTarget on: the verified program until its
    // process exists (or its start failed), CalcFile until the program has
    // ended (or has started, when it is not waited for).
    FileHold m_verifiedProgram;
    FileHold m_hashedFile;

    // Started process (HANDLE, owned), result and default title.
    void* m_hProcess = nullptr;
    uint32_t m_nResult = 0;
    std::wstring m_strDefaultTitle;

protected:
    ITaskPlatform& Platform() { return *m_platform; }

private:
    ITaskPlatform* m_platform;
};

// "TASK_%d" of a task number (signed decimal).
std::wstring TaskSectionName(uint32_t taskNumber);
// "RET_0x%08X" of a result.
std::wstring ResultKeyName(uint32_t result);
// Folder join: a value without ":" is taken relative to the update folder.
std::wstring JoinToFolder(const std::wstring& folder, const std::wstring& value);
// The command line of a CreateProcessW start: quoted Path, then the arguments.
std::wstring BuildProcessCommandLine(const std::wstring& path, const std::wstring& arguments);
// True when Method selects the shell ("SHELLEXECUTEEX" in any letter case).
bool IsShellExecuteMethod(const std::wstring& method);
// The 64 upper-case hexadecimal digits of a digest ("%02X" per byte).
std::wstring HashText(const uint8_t* digest, size_t length);

}  // namespace upd
