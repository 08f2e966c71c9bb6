// The portable part of a task: loading the section, the type dispatch, the
// next-task rule, the return-value and parameter tests, and the trust and
// hash decisions.
#include "task.h"

#include "config.h"
#include "number.h"
#include "text.h"

namespace upd {

namespace {
constexpr const wchar_t kLineBreak[] = L"\r\n";
constexpr const wchar_t kUpdateDirToken[] = L"%UPDATEDIR%";

bool IsTrueFlag(const std::wstring& value) { return fwu::SettingIs(value, L"TRUE"); }
bool IsFalseFlag(const std::wstring& value) { return fwu::SettingIs(value, L"FALSE"); }

// A dialog list count as read; counts above the bound read no entries.
uint32_t BoundedCount(int32_t raw) {
    uint32_t count = static_cast<uint32_t>(raw);
    return count > kMaxDialogEntries ? 0 : count;
}
}  // namespace

std::wstring TaskSectionName(uint32_t taskNumber) {
    return fwu::FormatString(L"TASK_%d", static_cast<int>(taskNumber));
}

std::wstring ResultKeyName(uint32_t result) { return fwu::FormatString(L"RET_0x%08X", static_cast<unsigned>(result)); }

std::wstring JoinToFolder(const std::wstring& folder, const std::wstring& value) {
    if (value.find(L':') != std::wstring::npos) return value;
    return folder + L"\\" + value;
}

std::wstring BuildProcessCommandLine(const std::wstring& path, const std::wstring& arguments) {
    std::wstring line = L"\"" + path + L"\"";
    if (!arguments.empty()) line += L" " + arguments;
    return line;
}

bool IsShellExecuteMethod(const std::wstring& method) {
    return !method.empty() && fwu::SettingIs(method, L"SHELLEXECUTEEX");
}

CTask::CTask(void* ownerWindow, ITaskPlatform& platform) : m_hOwner(ownerWindow), m_platform(&platform) {}

CTask::~CTask() {
    CloseProcessHandle();
    m_hashedFile.reset();
    m_verifiedProgram.reset();
}

void CTask::SetProcessHandle(void* handle) {
    CloseProcessHandle();
    m_hProcess = handle;
}

void CTask::CloseProcessHandle() {
    if (m_hProcess) m_platform->CloseProcessHandle(m_hProcess);
    m_hProcess = nullptr;
}

bool CTask::Load(const std::wstring& updateFolder, const fwu::CGlobalIniMgr* config, uint32_t taskNumber,
                 uint32_t silent) {
    if (!config) return false;
    m_bSilent = silent;
    m_pIniMgr = config;
    m_nTaskNumber = taskNumber;
    const std::wstring section = TaskSectionName(taskNumber);
    auto str = [&](const wchar_t* key) { return config->GetString(section, key, L""); };
    auto num = [&](const wchar_t* key, int32_t def) { return config->GetInt(section, key, def); };
    auto lines = [&](const wchar_t* key) { return fwu::ExpandLineBreaks(str(key), kLineBreak); };
    auto folder = [&](const wchar_t* key) { return JoinToFolder(updateFolder, ExpandEnvironment(str(key))); };
    auto updateDir = [&](const wchar_t* key) {
        return ExpandEnvironment(fwu::ReplaceAll(str(key), kUpdateDirToken, updateFolder));
    };

    Type = static_cast<uint32_t>(num(L"Type", static_cast<int32_t>(kTaskTypeDefault)));
    if (Type > kTaskTypeLast) return false;

    Path = folder(L"Path");
    Dir = folder(L"Dir");
    Param = updateDir(L"Param");
    Param_S = updateDir(L"Param_S");
    Verb = str(L"Verb");
    Method = str(L"Method");
    Distinct = str(L"Distinct");
    CalcFile = updateDir(L"CalcFile");
    WaitExit = IsTrueFlag(str(L"WaitExit")) ? 1 : 0;
    MsgTitle = str(L"MsgTitle");
    MsgText = lines(L"MsgText");
    MsgType = str(L"MsgType");
    URL = str(L"URL");
    Data = str(L"Data");
    AfterWait = static_cast<uint32_t>(num(L"AfterWait", 0));
    Goto = num(L"Goto", -1);
    Verify = IsFalseFlag(config->GetString(section, L"Verify", L"TRUE")) ? 0 : 1;
    TD_Flags = str(L"TD_Flags");
    TD_CommonButtons = str(L"TD_CommonButtons");
    TD_pszMainIcon = str(L"TD_pszMainIcon");
    TD_pszFooterIcon = str(L"TD_pszFooterIcon");
    TD_hMainIcon = JoinToFolder(updateFolder, str(L"TD_hMainIcon"));
    TD_hFooterIcon = JoinToFolder(updateFolder, str(L"TD_hFooterIcon"));
    TD_MainInstruction = lines(L"TD_MainInstruction");
    TD_Content = lines(L"TD_Content");
    TD_cButtons = BoundedCount(num(L"TD_cButtons", 0));
    TD_DefaultButton = num(L"TD_DefaultButton", 0);
    TD_cRadioButtons = BoundedCount(num(L"TD_cRadioButtons", 0));
    TD_DefaultRadioButton = num(L"TD_DefaultRadioButton", 0);
    TD_VerificationText = lines(L"TD_VerificationText");
    TD_ExpandedInformation = lines(L"TD_ExpandedInformation");
    TD_ExpandedControlText = lines(L"TD_ExpandedControlText");
    TD_CollapsedControlText = lines(L"TD_CollapsedControlText");
    TD_Footer = lines(L"TD_Footer");

    for (uint32_t i = 0; i < TD_cButtons; ++i) {
        m_ButtonIds.push_back(num(fwu::FormatString(L"TD_Button%d_ID", int(i)).c_str(), 0));
        m_ButtonTexts.push_back(lines(fwu::FormatString(L"TD_Button%d_Text", int(i)).c_str()));
    }
    for (uint32_t i = 0; i < TD_cRadioButtons; ++i) {
        m_RadioIds.push_back(num(fwu::FormatString(L"TD_Radio%d_ID", int(i)).c_str(), 0));
        m_RadioTexts.push_back(lines(fwu::FormatString(L"TD_Radio%d_Text", int(i)).c_str()));
    }

    TD_Width = num(L"TD_Width", 0);
    m_strDefaultTitle = config->GetString(L"MSG", L"IDS_STR_TITLE", L"");
    return true;
}

uint32_t CTask::Execute() {
    uint32_t result = 0;
    switch (Type) {
        case TASK_RUN_PROGRAM:
            BringOwnerToFront();
            m_platform->AllowSetForeground();
            result = RunProgram();
            // The process exists and has opened its own file (or nothing was
            // started): the verified file need no longer be held.
            m_verifiedProgram.reset();
            if (!WaitExit || !m_hProcess) m_hashedFile.reset();
            break;
        case TASK_MESSAGE_BOX:
            BringOwnerToFront();
            result = ShowMessageBox();
            break;
        case TASK_SHUTDOWN:
            ExitWindowsTask(fwu::ToUpperAscii(Data) == L"HYBRID_SHUTDOWN" ? 3 : 2);
            result = kTaskFailed;
            break;
        case TASK_RESTART:
            ExitWindowsTask(1);
            result = kTaskFailed;
            break;
        case TASK_OPEN_URL:
            BringOwnerToFront();
            m_platform->AllowSetForeground();
            OpenUrl();
            result = 0;
            break;
        case TASK_WOW64_TEST:
            result = IsWow64() ? 0 : 1;
            break;
        case TASK_BASEBOARD_CHECK:
            result = CheckBaseBoard();
            break;
        case TASK_DISK_MODEL_CHECK:
            result = CheckDiskDrive(L"Model") == 0 ? 0 : 1;
            break;
        case TASK_DISK_FIRMWARE_CHECK: {
            uint32_t r = CheckDiskDrive(L"FirmwareRevision");
            result = r == 0 ? 0 : r == 1 ? 1 : kTaskFailed;
            break;
        }
        case TASK_GOTO:
            result = static_cast<uint32_t>(Goto);
            break;
        case TASK_TASK_DIALOG:
            BringOwnerToFront();
            result = ShowTaskDialog();
            break;
        case TASK_RETURN_VALUE:
            result = ReturnDataValue();
            break;
        case TASK_PARAMETER_TEST:
            result = TestParameter();
            break;
        case TASK_REMOVE_OWN_FOLDER:
            RemoveOwnFolderAtReboot();
            result = 0;
            break;
        default:
            result = 0;
            break;
    }
    m_nResult = result;
    return result;
}

uint32_t CTask::GetNextTaskNumber(uint32_t result) {
    if (Type == TASK_GOTO) return static_cast<uint32_t>(Goto);
    if (!m_pIniMgr) return kTaskFailed;
    int32_t next = m_pIniMgr->GetInt(TaskSectionName(m_nTaskNumber), ResultKeyName(result), 0);
    if (next == 0) return m_nTaskNumber + 1;
    return static_cast<uint32_t>(next);
}

uint32_t CTask::RunProgram() {
    if (IsShellExecuteMethod(Method)) return StartShellExecute();
    return StartProcess();
}

uint32_t CTask::ReturnDataValue() {
    if (Data.empty()) return 0;
    int32_t value = 0;
    if (!fwu::StrToIntExHex(Data, &value)) return 0;
    return static_cast<uint32_t>(value);
}

uint32_t CTask::TestParameter() {
    if (Data.empty()) return 1;
    return m_platform->HasStoredParameter(Data) ? 0 : 1;
}

std::wstring CTask::ExpandEnvironment(const std::wstring& text) {
    std::wstring expanded;
    if (!m_platform->ExpandEnvironmentText(text, expanded)) return text;
    return expanded;
}

uint32_t CTask::VerifyTarget() {
    if (Type != TASK_RUN_PROGRAM) return 1;
    uint32_t answer = 1;
    if (Verify) {
        int32_t trust = m_platform->VerifyFileTrust(Path, m_verifiedProgram);
        if (trust != 0) {
            m_platform->Log(fwu::FormatString(L"  WinVerifyTrust return 0x%08X.", static_cast<unsigned>(trust)));
            answer = 0;
        }
    }
    if (!CheckFileHash()) {
        m_platform->Log(L"  Hash is different.");
        return 0;
    }
    return answer;
}

uint32_t CTask::CheckFileHash() {
    if (Distinct.empty() || CalcFile.empty()) return 1;
    const std::wstring hash = m_platform->HashFileSha256(CalcFile, m_hashedFile);
    return fwu::ToUpperAscii(hash) == fwu::ToUpperAscii(Distinct) ? 1 : 0;
}

}  // namespace upd
