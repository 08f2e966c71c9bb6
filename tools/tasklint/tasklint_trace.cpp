#include "tasklint_trace.h"

#include <cstdlib>
#include <deque>
#include <memory>
#include <set>
#include <system_error>

#include "config.h"
#include "dialog_tasks.h"
#include "flag_names.h"
#include "inifile.h"
#include "number.h"
#include "package_folder.h"
#include "runstate.h"
#include "sequencer.h"
#include "tasklint_core.h"
#include "tasklint_tools.h"
#include "task.h"
#include "taskrules.h"
#include "text.h"
#include "update_defs.h"

namespace fwu::lint {

namespace {

constexpr uint32_t kFailed = upd::kTaskFailed;

#if !defined(_WIN32)
// Elsewhere than on Windows, the folders every Windows system names, for
// the variables this machine does not set.
bool WindowsDefault(const std::wstring& name, std::wstring& value) {
    static const struct {
        const wchar_t* name;
        const wchar_t* value;
    } kDefaults[] = {
        {L"SYSTEMROOT", L"C:\\Windows"},
        {L"WINDIR", L"C:\\Windows"},
        {L"SYSTEMDRIVE", L"C:"},
        {L"PROGRAMFILES", L"C:\\Program Files"},
        {L"PROGRAMFILES(X86)", L"C:\\Program Files (x86)"},
        {L"PROGRAMW6432", L"C:\\Program Files"},
        {L"COMMONPROGRAMFILES", L"C:\\Program Files\\Common Files"},
        {L"PROGRAMDATA", L"C:\\ProgramData"},
        {L"ALLUSERSPROFILE", L"C:\\ProgramData"},
    };
    for (const auto& d : kDefaults)
        if (EqualsNoCaseAscii(name, d.name)) {
            value = d.value;
            return true;
        }
    return false;
}
#endif

// %NAME% as ExpandEnvironmentStringsW replaces it, from TaskLint's own
// environment; a name that is not set stays as written.
bool ExpandFromOwnEnvironment(const std::wstring& text, std::wstring& expanded) {
    expanded.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t open = text.find(L'%', i);
        if (open == std::wstring::npos) break;
        size_t close = text.find(L'%', open + 1);
        if (close == std::wstring::npos) break;
        expanded += text.substr(i, open - i);
        std::wstring name = text.substr(open + 1, close - open - 1);
        bool found = false;
        if (!name.empty()) {
#if defined(_MSC_VER)
            wchar_t* v = nullptr;
            size_t length = 0;
            if (_wdupenv_s(&v, &length, name.c_str()) == 0 && v != nullptr) {
                expanded += v;
                found = true;
            }
            std::free(v);
#elif defined(_WIN32)
            if (const wchar_t* v = _wgetenv(name.c_str())) {
                expanded += v;
                found = true;
            }
#else
            std::wstring fallback;
            if (const char* v = std::getenv(ToUtf8(name).c_str())) {
                expanded += FromUtf8(v);
                found = true;
            } else if (WindowsDefault(name, fallback)) {
                expanded += fallback;
                found = true;
            }
#endif
        }
        if (found) {
            i = close + 1;
        } else {
            // The second % may open the next name.
            expanded += text.substr(open, close - open);
            i = close;
        }
    }
    expanded += text.substr(i);
    return true;
}

// The button a message box gives when Enter is pressed: its default button
// (MB_DEFBUTTON2..4), else the first of its button group.
uint32_t MessageBoxDefaultAnswer(uint32_t style) {
    std::vector<uint32_t> buttons = MessageBoxButtonGroup(style);
    if (buttons.empty()) buttons = MessageBoxButtonGroup(0);
    size_t index = (style >> 8) & 0xF;  // MB_DEFBUTTON1 to MB_DEFBUTTON4
    return index < buttons.size() ? buttons[index] : buttons[0];
}

// The answer of a task dialog whose default button is pressed: the default
// button (else the first custom button, else the first common button), the
// default radio button (else the first), the check box as preset.
uint32_t TaskDialogDefaultAnswer(const upd::TaskRecord& task) {
    int32_t button = task.TD_DefaultButton;
    if (button == 0 && !task.ButtonIds.empty()) button = task.ButtonIds.front();
    if (button == 0) {
        std::vector<int32_t> common =
            CommonButtonIds(upd::ParseFlagNames(CommonButtonTable().data(), task.TD_CommonButtons));
        button = common.empty() ? 1 : common.front();
    }
    int32_t radio = task.TD_DefaultRadioButton;
    if (radio == 0 && !task.RadioIds.empty()) radio = task.RadioIds.front();
    const std::vector<upd::FlagNameEntry>& flagNames = TaskDialogFlagTable();
    uint32_t flags = upd::ParseFlagNames(flagNames.data(), task.TD_Flags);
    bool checked = (flags & FlagValue(flagNames, L"TDF_VERIFICATION_FLAG_CHECKED")) != 0;
    return upd::PackTaskDialogResult(button, radio, checked);
}

// The state of one dry run, shared by the platform stand-ins.
struct TraceRun {
    const TraceOptions& options;
    TraceResult& result;
    std::map<uint32_t, size_t> runs;      // how often each task has run
    std::set<std::wstring> noted;         // notes already written
    std::vector<std::wstring> storedArgs; // Update's command line after the program
    bool trustAssumed = false;            // a program's signature or hash would be checked
    const upd::TaskRecord* current = nullptr;  // the task being verified or run

    TraceRun(const TraceOptions& o, TraceResult& r) : options(o), result(r) {}

    void Log(const std::wstring& line) { result.lines.push_back(line); }
    void Note(const std::wstring& text) {
        if (noted.insert(text).second) result.notes.push_back(text);
    }
    // The given result of this run of the task, if any.
    bool Given(uint32_t task, uint32_t* value) {
        auto it = options.results.find(task);
        if (it == options.results.end() || it->second.empty()) return false;
        size_t k = runs[task] - 1;
        *value = it->second[k < it->second.size() ? k : it->second.size() - 1];
        return true;
    }
};

class TraceLog final : public ILog {
public:
    explicit TraceLog(TraceRun& run) : m_run(run) {}
    void Line(const std::wstring& text) override { m_run.Log(text); }

private:
    TraceRun& m_run;
};

class TraceEnvironment final : public upd::ITaskEnvironment {
public:
    explicit TraceEnvironment(TraceRun& run) : m_run(run) {}
    bool ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) override {
        return ExpandFromOwnEnvironment(text, expanded);
    }
    bool HasStoredParameter(const std::wstring& name) override {
        for (const std::wstring& a : m_run.storedArgs)
            if (EqualsNoCaseAscii(a, name)) return true;
        return false;
    }

private:
    TraceRun& m_run;
};

// A started program of the dry run: it ends at the first look, with the
// given exit code (0 when none is given).
class TraceProgram final : public upd::IStartedProgram {
public:
    TraceProgram(TraceRun& run, uint32_t task) : m_run(run), m_task(task) {}
    State Poll(bool, uint32_t& exitCode) override {
        exitCode = 0;
        m_run.Given(m_task, &exitCode);
        return State::Ended;
    }
    bool ForegroundWindow() override { return false; }

private:
    TraceRun& m_run;
    uint32_t m_task;
};

// Programs start when they are in the package folder (when that folder is
// known); signatures are trusted unless told otherwise, hashes match.
class TracePrograms final : public upd::IProgramRunner {
public:
    explicit TracePrograms(TraceRun& run) : m_run(run) {}
    int32_t VerifyFileTrust(const std::wstring&, upd::FileHold&) override {
        auto it = m_run.options.trust.find(m_run.current->Number);
        return it == m_run.options.trust.end() ? 0 : static_cast<int32_t>(it->second);
    }
    std::wstring HashFileSha256(const std::wstring&, upd::FileHold&) override { return m_run.current->Distinct; }
    void AllowSetForeground() override {}
    bool StartProcess(const std::wstring&, const std::wstring&, upd::StartedProgram& process,
                      uint32_t& error) override {
        return Start(process, error);
    }
    bool StartShellExecute(const upd::ShellStart&, upd::StartedProgram& process, uint32_t& error) override {
        return Start(process, error);
    }
    // The page opens; the dry run does not wait for a browser.
    int32_t LaunchUrl(const std::wstring&, upd::StartedProgram&) override { return 0; }

private:
    bool Start(upd::StartedProgram& process, uint32_t& error) {
        const upd::TaskRecord& t = *m_run.current;
        error = MissingProgramError(t);
        if (error != 0) return false;
        process = std::make_unique<TraceProgram>(m_run, t.Number);
        NoteToolThatCannotWork(t);
        return true;
    }

    // A tool of the package started with options that cannot work in this
    // run (a waited Progress /ON never returns, a silent run's Optpick
    // without /s waits for a person): Update would not go on here. The
    // trace goes on with the given result and says so.
    void NoteToolThatCannotWork(const upd::TaskRecord& t) {
        PackageTool tool = ToolOfPath(t.Path);
        if (tool == PackageTool::None) return;
        RunScope run = t.Silent ? RunScope::Silent : RunScope::Interactive;
        for (const ToolIssue& issue : CheckToolOptions(tool, run, t.ChosenArguments(), t.WaitExit != 0, false))
            if (issue.severity == Severity::Error)
                m_run.Note(FormatString(L"%ls: %ls", upd::TaskSectionName(t.Number).c_str(), issue.message.c_str()));
    }

    uint32_t MissingProgramError(const upd::TaskRecord& t) {
        const TraceOptions& o = m_run.options;
        if (o.packageFolder.empty()) return 0;
        std::wstring prefix = o.updateFolder + L"\\";
        if (t.Path.find(L'%') != std::wstring::npos) {
            m_run.Note(FormatString(L"%ls: %ls names an environment variable that is not set here: the trace "
                                    L"assumes the program starts",
                                    upd::TaskSectionName(t.Number).c_str(), t.Path.c_str()));
            return 0;
        }
        if (t.Path.size() <= prefix.size() || !EqualsNoCaseAscii(t.Path.substr(0, prefix.size()), prefix)) {
            m_run.Note(FormatString(L"%ls: %ls lies outside the package folder: the trace assumes it starts",
                                    upd::TaskSectionName(t.Number).c_str(), t.Path.c_str()));
            return 0;
        }
        return ProgramStartError(o.packageFolder, t.Path.substr(prefix.size()));
    }

    TraceRun& m_run;
};

// Dialogs answer with their default button, or with the given answer.
class TraceDialogs final : public upd::IDialogs {
public:
    explicit TraceDialogs(TraceRun& run) : m_run(run) {}
    uint32_t ShowMessageBox(const upd::MessageBoxRequest& request) override { return MessageBoxDefaultAnswer(request.style); }
    upd::TaskDialogOutcome ShowTaskDialog(const upd::TaskDialogRequest&) override {
        const upd::TaskRecord& t = *m_run.current;
        uint32_t answer = TaskDialogDefaultAnswer(t);
        uint32_t given = 0;
        if (m_run.Given(t.Number, &given)) answer = given;
        upd::TaskDialogOutcome outcome;
        outcome.button = int32_t(answer & 0xFFFF);
        outcome.radioButton = int32_t((answer >> 16) & 0x7FFF);
        outcome.verificationChecked = (answer & 0x80000000u) != 0;
        return outcome;
    }
    void BringOwnerToFront() override {}
    bool ForegroundDialog(const std::wstring&) override { return false; }

private:
    TraceRun& m_run;
};

// The machine is not known: a 64-bit Update never runs under WOW64, and
// the base board and disk drives are not probed (see TraceTask).
class TraceProbes final : public upd::IProbes, private upd::IFirmwareTableSource, private upd::IDiskDriveSource {
public:
    upd::IFirmwareTableSource& FirmwareTables() override { return *this; }
    std::wstring AnsiToWide(const std::string& text) override { return std::wstring(text.begin(), text.end()); }
    upd::IDiskDriveSource& DiskDrives() override { return *this; }
    bool IsWow64() override { return false; }

private:
    uint32_t GetSystemFirmwareTable(uint32_t, uint32_t, void*, uint32_t) override { return 0; }
    upd::DiskQueryStatus FirstIdeDriveValue(const std::wstring&, std::wstring*) override {
        return upd::DiskQueryStatus::kQueryFailed;
    }
};

// A shutdown or restart is noted; the folder removal does nothing.
class TraceSystem final : public upd::ISystemActions {
public:
    explicit TraceSystem(TraceRun& run) : m_run(run) {}
    bool ListFolder(const std::wstring&, std::vector<upd::FolderEntry>*) override { return false; }
    void RegisterDelete(const std::wstring&) override {}
    void EndSession(uint32_t) override {
        const upd::TaskRecord& t = *m_run.current;
        m_run.Note(FormatString(L"%ls asks Windows to %ls: Update goes on with the list until Windows "
                                L"ends the session, which may cut the run short with the exit code stored last",
                                upd::TaskSectionName(t.Number).c_str(), t.Type == upd::TASK_RESTART ? L"restart" : L"shut down"));
    }
    std::wstring OwnFolder() override { return std::wstring(); }

private:
    TraceRun& m_run;
};

// The services of the dry run's tasks.
struct TraceServices {
    explicit TraceServices(TraceRun& run)
        : log(run), environment(run), programs(run), dialogs(run), system(run),
          services{environment, programs, dialogs, probes, system, caches, log} {}
    TraceLog log;
    TraceEnvironment environment;
    TracePrograms programs;
    TraceDialogs dialogs;
    TraceProbes probes;
    TraceSystem system;
    upd::ProbeCaches caches;
    upd::TaskServices services;
};

// A task of the dry run: Update's own task over the dry run's services,
// with the given results taking the place of the machine's answers.
class TraceTask final : public upd::ITask {
public:
    TraceTask(const upd::TaskServices& services, TraceRun& run) : m_task(services), m_run(run) {}

    bool Load(const std::wstring& updateFolder, const fwu::CGlobalIniMgr* config, uint32_t taskNumber,
              uint32_t silent) override {
        return m_task.Load(updateFolder, config, taskNumber, silent);
    }

    uint32_t VerifyTarget() override {
        m_run.current = &m_task.Record();
        return m_task.VerifyTarget();
    }

    uint32_t Execute() override {
        const upd::TaskRecord& t = m_task.Record();
        m_run.current = &t;
        ++m_run.runs[t.Number];
        m_run.result.tasks++;
        if (t.Type == upd::TASK_RUN_PROGRAM && (t.Verify || (!t.Distinct.empty() && !t.CalcFile.empty())) &&
            !m_run.options.trust.count(t.Number))
            m_run.trustAssumed = true;
        uint32_t given = 0;
        bool hasGiven = m_run.Given(t.Number, &given);
        uint32_t r = 0;
        if (IsProbe(t.Type)) {
            // The machine is not known: the probe cannot read its value.
            r = upd::TaskResult(t, kFailed);
            m_task.SetResult(r);
        } else {
            r = m_task.Execute();
        }
        if (!hasGiven) {
            NoteDefault(t, r);
            return r;
        }
        if (!TakesGivenResult(t)) {
            m_run.Note(FormatString(L"%ls (%ls) does not take a given result: Update's result is 0x%08X",
                                    upd::TaskSectionName(t.Number).c_str(), TypeWord(t.Type), unsigned(r)));
            return r;
        }
        if (t.Type == upd::TASK_RUN_PROGRAM) return r;  // the exit code counts when the wait ends
        m_task.SetResult(given);
        return given;
    }

    uint32_t IsWaiting() override { return m_task.IsWaiting(); }
    void Activate() override {}
    uint32_t GetAfterWait() override { return m_task.GetAfterWait(); }
    uint32_t GetNextTaskNumber(uint32_t result) override { return m_task.GetNextTaskNumber(result); }
    uint32_t GetType() override { return m_task.GetType(); }
    uint32_t GetResult() override { return m_task.GetResult(); }

private:
    static bool IsProbe(uint32_t type) {
        return type == upd::TASK_BASEBOARD_CHECK || type == upd::TASK_DISK_MODEL_CHECK ||
               type == upd::TASK_DISK_FIRMWARE_CHECK;
    }

    // Types whose result comes from outside the list.
    static bool TakesGivenResult(const upd::TaskRecord& t) {
        switch (t.Type) {
        case upd::TASK_RUN_PROGRAM: return t.WaitExit != 0;
        case upd::TASK_MESSAGE_BOX:
        case upd::TASK_TASK_DIALOG: return !t.Silent;
        case upd::TASK_WOW64_TEST:
        case upd::TASK_BASEBOARD_CHECK:
        case upd::TASK_DISK_MODEL_CHECK:
        case upd::TASK_DISK_FIRMWARE_CHECK:
        case upd::TASK_PARAMETER_TEST: return true;
        default: return false;
        }
    }

    void NoteDefault(const upd::TaskRecord& t, uint32_t r) {
        const wchar_t* what = nullptr;
        switch (t.Type) {
        case upd::TASK_RUN_PROGRAM:
            if (t.WaitExit && r != kFailed) what = L"the program's exit code is not given: 0 assumed";
            break;
        case upd::TASK_MESSAGE_BOX:
        case upd::TASK_TASK_DIALOG:
            if (!t.Silent) what = L"the answer is not given: the default button assumed";
            break;
        case upd::TASK_WOW64_TEST: what = L"a 64-bit Update does not run under WOW64"; break;
        case upd::TASK_BASEBOARD_CHECK: what = L"the base board is not known: no name matches"; break;
        case upd::TASK_DISK_MODEL_CHECK:
        case upd::TASK_DISK_FIRMWARE_CHECK: what = L"the disk drive is not known: its value cannot be read"; break;
        case upd::TASK_PARAMETER_TEST: what = L"Update's stored arguments are taken from --silent and --first"; break;
        default: break;
        }
        if (what)
            m_run.Note(FormatString(L"%ls (%ls): %ls; result 0x%08X (give --result %d=VALUE)",
                                    upd::TaskSectionName(t.Number).c_str(), TypeWord(t.Type), what, unsigned(r), int(t.Number)));
    }

    upd::CTask m_task;
    TraceRun& m_run;
};

// The hidden window of the dry run: posted messages and timers in one
// queue, handled in order.
class TraceHost final : public upd::ISequencerHost {
public:
    TraceHost(TraceRun& run, const upd::TaskServices& services) : m_run(run), m_services(services) {}

    struct Event {
        bool timer = false;
        unsigned id = 0;  // message or timer id
    };

    void PostToWindow(unsigned message) override { queue.push_back({false, message}); }
    void StartTimer(unsigned id, uint32_t) override {
        StopTimer(id);
        queue.push_back({true, id});
    }
    void StopTimer(unsigned id) override {
        for (auto it = queue.begin(); it != queue.end();)
            it = it->timer && it->id == id ? queue.erase(it) : it + 1;
    }
    void DestroyOwnWindow() override {}
    void ForegroundOwnWindow() override {}
    void ShowConfigMessage(const std::wstring&, unsigned) override {}
    std::unique_ptr<upd::ITask> CreateTask() override { return std::make_unique<TraceTask>(m_services, m_run); }

    std::deque<Event> queue;

private:
    TraceRun& m_run;
    const upd::TaskServices& m_services;
};

}  // namespace

TraceResult TraceConfigBytes(const std::vector<uint8_t>& bytes, const TraceOptions& options) {
    TraceResult result;
    IntegrityResult integrity = CheckIntegrity(bytes.data(), bytes.size());
    if (!integrity.valid) {
        result.lines.push_back(FormatString(L"error - falsify ini file. return %d.", int(upd::kExitIniFalsified)));
        result.exitCode = upd::kExitIniFalsified;
        return result;
    }
    IniDocumentSource source(ParseIni(DecodeFileText(bytes)));
    CGlobalIniMgr config(source);
    config.SetLoaded(L"config.ini", integrity);

    TraceRun run(options, result);
    if (options.silent) run.storedArgs.push_back(L"/s");
    if (options.firstTask != 1) run.storedArgs.push_back(FormatString(L"/FTN:%d", int(options.firstTask)));
    TraceServices services(run);
    TraceHost host(run, services.services);

    upd::RunState state;
    state.silent = options.silent ? 1 : 0;
    state.skipTrust = upd::IsOff(config.GetString(L"CERT", L"VERIFY", L"")) ? 1 : 0;
    state.firstTask = options.firstTask;
    state.currentTask = options.firstTask;
    state.updateFolder = options.updateFolder;
    state.exitCode = 0;

    upd::CSequencer sequencer(state, &config, host, services.log);
    sequencer.OnCreate();
    while (!sequencer.IsClosed() && !host.queue.empty()) {
        TraceHost::Event e = host.queue.front();
        host.queue.pop_front();
        if (e.timer) {
            sequencer.OnTimer(e.id);
            continue;
        }
        switch (e.id) {
        case upd::kWmUpdateRunTask:
            if (result.tasks >= options.maxTasks) {
                result.end = TraceEnd::Stopped;
                return result;
            }
            sequencer.OnRunTask();
            break;
        case upd::kWmUpdateTaskDone: sequencer.OnTaskDone(); break;
        case upd::kWmUpdateNextTask: sequencer.OnNextTask(); break;
        case upd::kWmClose: sequencer.OnClose(); break;
        default: break;
        }
    }
    if (!state.skipTrust && run.trustAssumed)
        run.Note(L"signatures and hashes are not checked: every program counts as trusted (--trust N=VALUE "
                 L"gives WinVerifyTrust's answer for task N)");
    result.exitCode = state.exitCode;
    result.lines.push_back(FormatString(L"return %d.", int(state.exitCode)));
    return result;
}

std::wstring FormatTrace(const TraceResult& trace) {
    std::wstring out;
    for (const std::wstring& line : trace.lines) out += line + L"\n";
    if (trace.end == TraceEnd::Stopped)
        out += FormatString(L"stopped after %llu tasks: the run does not end (loop)\n",
                            static_cast<unsigned long long>(trace.tasks));
    else
        out += FormatString(L"exit code: 0x%08X (%u)\n", unsigned(trace.exitCode), unsigned(trace.exitCode));
    return out;
}

}  // namespace fwu::lint
