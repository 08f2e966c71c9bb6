// A task: loading its section, the result rule, the next-task rule, the
// trust and hash decisions, and the actions of each type over the task's
// services.
#include "task.h"

#include "config.h"
#include "flag_names.h"
#include "number.h"
#include "task_keys.h"
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

// The text with environment variables expanded (unchanged on failure).
std::wstring Expand(ITaskEnvironment& environment, const std::wstring& text) {
    std::wstring expanded;
    if (!environment.ExpandEnvironmentText(text, expanded)) return text;
    return expanded;
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

bool TaskAsksPerson(uint32_t type) { return type == TASK_MESSAGE_BOX || type == TASK_TASK_DIALOG; }

bool IsShellExecuteMethod(const std::wstring& method) {
    return !method.empty() && fwu::SettingIs(method, L"SHELLEXECUTEEX");
}

// ---- the record --------------------------------------------------------------

bool LoadTaskRecord(const fwu::CGlobalIniMgr& config, uint32_t taskNumber, const std::wstring& updateFolder,
                    bool silent, ITaskEnvironment& environment, TaskRecord& t) {
    t = TaskRecord();
    t.Number = taskNumber;
    t.Silent = silent;
    const std::wstring section = TaskSectionName(taskNumber);
    auto str = [&](const wchar_t* key) { return config.GetString(section, key, L""); };
    auto num = [&](const wchar_t* key, int32_t def) { return config.GetInt(section, key, def); };
    auto lines = [&](const wchar_t* key) { return fwu::ExpandLineBreaks(str(key), kLineBreak); };
    auto read = [&](const TaskKey& key) {
        switch (key.read) {
            case TaskKeyRead::Text: t.*key.text = str(key.name); break;
            case TaskKeyRead::Lines: t.*key.text = lines(key.name); break;
            case TaskKeyRead::Folder:
                t.*key.text = JoinToFolder(updateFolder, Expand(environment, str(key.name)));
                break;
            case TaskKeyRead::UpdateDir:
                t.*key.text = Expand(environment, fwu::ReplaceAll(str(key.name), kUpdateDirToken, updateFolder));
                break;
            case TaskKeyRead::File: t.*key.text = JoinToFolder(updateFolder, str(key.name)); break;
            case TaskKeyRead::TrueFlag: t.*key.word = IsTrueFlag(str(key.name)) ? 1 : 0; break;
            case TaskKeyRead::FalseFlag: t.*key.word = IsFalseFlag(str(key.name)) ? 0 : 1; break;
            case TaskKeyRead::Number:
                if (key.word)
                    t.*key.word = static_cast<uint32_t>(num(key.name, key.numberDefault));
                else
                    t.*key.number = num(key.name, key.numberDefault);
                break;
            case TaskKeyRead::Count: t.*key.word = BoundedCount(num(key.name, key.numberDefault)); break;
        }
    };

    // Type first: a task of no known type reads nothing else.
    const std::vector<TaskKey>& keys = TaskKeys();
    read(keys.front());
    if (t.Type > kTaskTypeLast) return false;
    for (size_t k = 1; k < keys.size(); ++k) read(keys[k]);

    for (uint32_t i = 0; i < t.TD_cButtons; ++i) {
        t.ButtonIds.push_back(num(DialogEntryKeyName(false, i, true).c_str(), 0));
        t.ButtonTexts.push_back(lines(DialogEntryKeyName(false, i, false).c_str()));
    }
    for (uint32_t i = 0; i < t.TD_cRadioButtons; ++i) {
        t.RadioIds.push_back(num(DialogEntryKeyName(true, i, true).c_str(), 0));
        t.RadioTexts.push_back(lines(DialogEntryKeyName(true, i, false).c_str()));
    }

    t.DefaultTitle = config.GetString(L"MSG", L"IDS_STR_TITLE", L"");
    return true;
}

// ---- results and the next task ----------------------------------------------

uint32_t ReturnDataValue(const TaskRecord& record) {
    if (record.Data.empty()) return 0;
    int32_t value = 0;
    if (!fwu::StrToIntExHex(record.Data, &value)) return 0;
    return static_cast<uint32_t>(value);
}

uint32_t TaskResult(const TaskRecord& record, const TaskOutcome& outcome) {
    const uint32_t answer = outcome.answer;
    switch (record.Type) {
        case TASK_RUN_PROGRAM:
            switch (outcome.wait) {
                case IStartedProgram::State::Ended:
                    return outcome.exitCode;
                case IStartedProgram::State::Failed:
                    return 0;
                case IStartedProgram::State::EndedNoCode:
                case IStartedProgram::State::Running:
                    break;
            }
            return answer;
        case TASK_MESSAGE_BOX:
        case TASK_BASEBOARD_CHECK:
        case TASK_TASK_DIALOG:
            return answer;
        case TASK_SHUTDOWN:
        case TASK_RESTART:
            return kTaskFailed;
        case TASK_WOW64_TEST:
            return Wow64TaskResult(answer);
        case TASK_DISK_MODEL_CHECK:
            return DiskModelResult(answer);
        case TASK_DISK_FIRMWARE_CHECK:
            return DiskFirmwareResult(answer);
        case TASK_GOTO:
            return static_cast<uint32_t>(record.Goto);
        case TASK_RETURN_VALUE:
            return ReturnDataValue(record);
        case TASK_PARAMETER_TEST:
            return !record.Data.empty() && answer != 0 ? 0u : 1u;
        default:  // web page, folder removal
            return 0;
    }
}

uint32_t NextTaskNumber(const fwu::CGlobalIniMgr& config, const TaskRecord& record, uint32_t result) {
    if (record.Type == TASK_GOTO) return static_cast<uint32_t>(record.Goto);
    int32_t next = config.GetInt(TaskSectionName(record.Number), ResultKeyName(result), 0);
    if (next == 0) return record.Number + 1;
    return static_cast<uint32_t>(next);
}

// ---- the task ------------------------------------------------------------------

CTask::CTask(const TaskServices& services) : m_services(services) {}

CTask::~CTask() = default;

bool CTask::Load(const std::wstring& updateFolder, const fwu::CGlobalIniMgr* config, uint32_t taskNumber,
                 uint32_t silent) {
    if (!config) return false;
    m_config = config;
    return LoadTaskRecord(*config, taskNumber, updateFolder, silent != 0, m_services.environment, m_record);
}

uint32_t CTask::Execute() {
    m_outcome = TaskOutcome{RunAction()};
    m_nResult = TaskResult(m_record, m_outcome);
    return m_nResult;
}

uint32_t CTask::RunAction() {
    const TaskRecord& t = m_record;
    switch (t.Type) {
        case TASK_RUN_PROGRAM: {
            BringOwnerToFront();
            m_services.programs.AllowSetForeground();
            const uint32_t started = RunProgram();
            // The process exists and has opened its own file (or nothing was
            // started): the verified file need no longer be held.
            m_verifiedProgram.reset();
            if (!t.WaitExit || !m_process) m_hashedFile.reset();
            return started;
        }
        case TASK_MESSAGE_BOX:
            BringOwnerToFront();
            return ShowMessageBox();
        case TASK_SHUTDOWN:
            ExitWindowsTask(ShutdownModeForData(t.Data));
            return 0;
        case TASK_RESTART:
            ExitWindowsTask(kExitModeRestart);
            return 0;
        case TASK_OPEN_URL:
            BringOwnerToFront();
            m_services.programs.AllowSetForeground();
            return OpenUrl();
        case TASK_WOW64_TEST:
            return m_services.probes.IsWow64() ? 1 : 0;
        case TASK_BASEBOARD_CHECK:
            return CheckBaseBoard();
        case TASK_DISK_MODEL_CHECK:
            return CheckDiskDrive(kDiskPropertyModel);
        case TASK_DISK_FIRMWARE_CHECK:
            return CheckDiskDrive(kDiskPropertyFirmware);
        case TASK_TASK_DIALOG:
            BringOwnerToFront();
            return ShowTaskDialog();
        case TASK_PARAMETER_TEST:
            return !t.Data.empty() && m_services.environment.HasStoredParameter(t.Data) ? 1 : 0;
        case TASK_REMOVE_OWN_FOLDER:
            RemoveOwnFolderAtReboot();
            return 0;
        default:  // go-to, return value: nothing to do
            return 0;
    }
}

uint32_t CTask::GetNextTaskNumber(uint32_t result) {
    if (!m_config) return kTaskListEnd;  // never loaded
    return NextTaskNumber(*m_config, m_record, result);
}

uint32_t CTask::VerifyTarget() {
    if (m_record.Type != TASK_RUN_PROGRAM) return 1;
    uint32_t answer = 1;
    if (m_record.Verify) {
        int32_t trust = m_services.programs.VerifyFileTrust(m_record.Path, m_verifiedProgram);
        if (trust != 0) {
            fwu::LogLine(m_services.log, L"  WinVerifyTrust return 0x%08X.", static_cast<unsigned>(trust));
            answer = 0;
        }
    }
    if (!CheckFileHash()) {
        m_services.log.Line(L"  Hash is different.");
        return 0;
    }
    return answer;
}

uint32_t CTask::CheckFileHash() {
    if (m_record.Distinct.empty() || m_record.CalcFile.empty()) return 1;
    const std::wstring hash = m_services.programs.HashFileSha256(m_record.CalcFile, m_hashedFile);
    return fwu::ToUpperAscii(hash) == fwu::ToUpperAscii(m_record.Distinct) ? 1 : 0;
}

uint32_t CTask::IsWaiting() {
    if (!m_record.WaitExit || !m_process) return 0;
    const bool program = m_record.Type == TASK_RUN_PROGRAM;
    if (!program && m_record.Type != TASK_OPEN_URL) return 0;
    // A waited program's look dispatches the queued messages; a browser's
    // does not.
    uint32_t code = 0;
    const IStartedProgram::State state = m_process->Poll(program, code);
    if (state == IStartedProgram::State::Running) return 1;
    m_process.reset();
    if (program) m_hashedFile.reset();
    m_outcome.wait = state;
    m_outcome.exitCode = code;
    m_nResult = TaskResult(m_record, m_outcome);
    return 0;
}

void CTask::Activate() {
    switch (m_record.Type) {
        case TASK_RUN_PROGRAM:
        case TASK_OPEN_URL:
            if (m_process && m_process->ForegroundWindow()) return;
            break;
        case TASK_MESSAGE_BOX:
        case TASK_TASK_DIALOG:
            // Message boxes and task dialogs are found by their caption.
            if (m_services.dialogs.ForegroundDialog(DialogCaption(m_record.MsgTitle, m_record.DefaultTitle))) return;
            break;
        default:
            break;
    }
    BringOwnerToFront();
}

void CTask::BringOwnerToFront() {
    if (m_record.Silent) return;
    m_services.dialogs.BringOwnerToFront();
}

// ---- the actions -----------------------------------------------------------------

uint32_t CTask::RunProgram() {
    if (IsShellExecuteMethod(m_record.Method)) return StartShellExecute();
    return StartProcess();
}

uint32_t CTask::StartProcess() {
    const std::wstring line = BuildProcessCommandLine(m_record.Path, m_record.ChosenArguments());
    fwu::LogLine(m_services.log, L"  Exec: %ls.", line.c_str());
    uint32_t error = 0;
    if (!m_services.programs.StartProcess(line, m_record.Dir, m_process, error)) {
        fwu::LogLine(m_services.log, L"  Error - Exec failed (%d).", static_cast<int>(error));
        return kTaskFailed;
    }
    return 0;
}

uint32_t CTask::StartShellExecute() {
    ShellStart start;
    start.file = L"\"" + m_record.Path + L"\"";
    start.verb = m_record.Verb;
    start.parameters = m_record.ChosenArguments();
    start.directory = m_record.Dir;
    start.hidden = m_record.Silent;
    fwu::LogLine(m_services.log, L"  Exec: %ls %ls.", start.file.c_str(), start.parameters.c_str());
    uint32_t error = 0;
    if (!m_services.programs.StartShellExecute(start, m_process, error)) {
        fwu::LogLine(m_services.log, L"  Error - Exec failed (%d).", static_cast<int>(error));
        return kTaskFailed;
    }
    return 0;
}

uint32_t CTask::ShowMessageBox() {
    return RunMessageBoxTask(m_record, m_services.dialogs);
}

uint32_t CTask::ShowTaskDialog() { return RunTaskDialogTask(m_record, m_services.dialogs, m_services.log); }

void CTask::ExitWindowsTask(uint32_t mode) {
    if (m_record.Silent) return;
    uint32_t flags = 0;
    if (!ExitWindowsFlagsForMode(mode, &flags)) return;
    m_services.system.EndSession(flags);
}

uint32_t CTask::OpenUrl() {
    if (m_record.Silent) return 1;
    fwu::LogLine(m_services.log, L"  URL: %ls.", m_record.URL.c_str());
    const int32_t hr = m_services.programs.LaunchUrl(m_record.URL, m_process);
    if (hr < 0) {
        m_process.reset();
        fwu::LogLine(m_services.log, L"  Error - IELaunchURL failed 0x%08X.", static_cast<unsigned>(hr));
        return 0;
    }
    return 1;
}

uint32_t CTask::CheckBaseBoard() {
    IProbes& probes = m_services.probes;
    return CheckBaseBoardWith(
        probes.FirmwareTables(), [&probes](const std::string& text) { return probes.AnsiToWide(text); },
        m_services.caches.baseBoard, m_record.Data, m_services.log);
}

uint32_t CTask::CheckDiskDrive(const std::wstring& property) {
    return CheckDiskDriveWith(m_services.probes.DiskDrives(), m_services.caches.disks, property, m_record.Data,
                              m_services.log);
}

void CTask::RemoveOwnFolderAtReboot() {
    ISystemActions& system = m_services.system;
    const std::wstring folder = system.OwnFolder();
    if (folder.empty()) return;
    DeleteFolderContentsWith(system, folder);
    system.RegisterDelete(folder);
}

}  // namespace upd
