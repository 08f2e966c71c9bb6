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
#include "runstate.h"
#include "sequencer.h"
#include "tasklint_core.h"
#include "tasklint_tools.h"
#include "task.h"
#include "text.h"
#include "update_defs.h"

namespace fwu::lint {

namespace {

constexpr uint32_t kFailed = 0xFFFFFFFFu;
// What a start of a missing program fails with (ERROR_FILE_NOT_FOUND; also
// when a folder on the way is missing).
constexpr uint32_t kErrorFileNotFound = 2;

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

// Case-insensitive lookup of a relative Windows path under a folder, as a
// Windows file system finds it. 0 when it exists, else the error number a
// start fails with.
uint32_t LookUpInFolder(const std::filesystem::path& folder, const std::wstring& relative) {
    std::filesystem::path cur = folder;
    std::error_code ec;
    std::vector<std::wstring> parts;
    size_t pos = 0;
    while (pos <= relative.size()) {
        size_t next = relative.find_first_of(L"\\/", pos);
        std::wstring part = relative.substr(pos, next == std::wstring::npos ? std::wstring::npos : next - pos);
        pos = next == std::wstring::npos ? relative.size() + 1 : next + 1;
        if (!part.empty() && part != L".") parts.push_back(part);
    }
    for (size_t k = 0; k < parts.size(); ++k) {
        if (parts[k] == L"..") {
            cur = cur.parent_path();
            continue;
        }
        bool found = false;
        for (std::filesystem::directory_iterator it(cur, ec), end; !ec && it != end; it.increment(ec)) {
            if (EqualsNoCaseAscii(PathToWide(it->path().filename()), parts[k])) {
                cur = it->path();
                found = true;
                break;
            }
        }
        if (!found) return kErrorFileNotFound;
    }
    return std::filesystem::is_directory(cur, ec) ? kErrorFileNotFound : 0;
}

// The button a message box gives when Enter is pressed: its default button
// (MB_DEFBUTTON2..4), else the first of its button group.
uint32_t MessageBoxDefaultAnswer(uint32_t style) {
    std::vector<uint32_t> buttons;
    switch (style & 0xF) {
    case 1: buttons = {1, 2}; break;
    case 2: buttons = {3, 4, 5}; break;
    case 3: buttons = {6, 7, 2}; break;
    case 4: buttons = {6, 7}; break;
    case 5: buttons = {4, 2}; break;
    case 6: buttons = {2, 10, 11}; break;
    default: buttons = {1}; break;
    }
    size_t index = (style >> 8) & 0xF;
    return index < buttons.size() ? buttons[index] : buttons[0];
}

// The answer of a task dialog whose default button is pressed: the default
// button (else the first custom button, else the first common button), the
// default radio button (else the first), the check box as preset.
uint32_t TaskDialogDefaultAnswer(const upd::CTask& task) {
    int32_t button = task.TD_DefaultButton;
    if (button == 0 && !task.m_ButtonIds.empty()) button = task.m_ButtonIds.front();
    if (button == 0) {
        uint32_t common = upd::ParseFlagNames(upd::CommonButtonNames().data(), task.TD_CommonButtons);
        // TDCBF_ OK, YES, NO, CANCEL, RETRY, CLOSE and their button ids.
        static const uint32_t kFlags[] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20};
        static const int32_t kIds[] = {1, 6, 7, 2, 4, 8};
        button = 1;
        for (size_t i = 0; i < 6; ++i)
            if (common & kFlags[i]) {
                button = kIds[i];
                break;
            }
    }
    int32_t radio = task.TD_DefaultRadioButton;
    if (radio == 0 && !task.m_RadioIds.empty()) radio = task.m_RadioIds.front();
    uint32_t flags = upd::ParseFlagNames(upd::TaskDialogFlagNames().data(), task.TD_Flags);
    bool checked = (flags & 0x0100) != 0;  // TDF_VERIFICATION_FLAG_CHECKED
    return upd::PackTaskDialogResult(button, radio, checked);
}

const wchar_t* TypeWord(uint32_t type) {
    switch (type) {
    case upd::TASK_RUN_PROGRAM: return L"program";
    case upd::TASK_MESSAGE_BOX: return L"message box";
    case upd::TASK_SHUTDOWN: return L"shutdown";
    case upd::TASK_RESTART: return L"restart";
    case upd::TASK_OPEN_URL: return L"web page";
    case upd::TASK_WOW64_TEST: return L"WOW64 test";
    case upd::TASK_BASEBOARD_CHECK: return L"base board check";
    case upd::TASK_DISK_MODEL_CHECK: return L"disk model check";
    case upd::TASK_DISK_FIRMWARE_CHECK: return L"disk firmware check";
    case upd::TASK_GOTO: return L"go-to";
    case upd::TASK_TASK_DIALOG: return L"task dialog";
    case upd::TASK_RETURN_VALUE: return L"return-value";
    case upd::TASK_PARAMETER_TEST: return L"parameter test";
    default: return L"folder removal";
    }
}

// The state of one dry run, shared by the platform stand-ins.
struct TraceRun {
    const TraceOptions& options;
    TraceResult& result;
    std::map<uint32_t, size_t> runs;      // how often each task has run
    std::set<std::wstring> noted;         // notes already written
    std::vector<std::wstring> storedArgs; // Update's command line after the program
    bool trustAssumed = false;            // a program's signature or hash would be checked
    uint32_t verifying = 0;               // the task whose target is being verified

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

class TracePlatform final : public upd::ITaskPlatform {
public:
    explicit TracePlatform(TraceRun& run) : m_run(run) {}
    bool ExpandEnvironmentText(const std::wstring& text, std::wstring& expanded) override {
        return ExpandFromOwnEnvironment(text, expanded);
    }
    bool HasStoredParameter(const std::wstring& name) override {
        for (const std::wstring& a : m_run.storedArgs)
            if (EqualsNoCaseAscii(a, name)) return true;
        return false;
    }
    int32_t VerifyFileTrust(const std::wstring&, upd::FileHold&) override {
        auto it = m_run.options.trust.find(m_run.verifying);
        return it == m_run.options.trust.end() ? 0 : static_cast<int32_t>(it->second);
    }
    std::wstring HashFileSha256(const std::wstring&, upd::FileHold&) override { return {}; }
    void Log(const std::wstring& line) override { m_run.Log(line); }
    void AllowSetForeground() override {}
    void CloseProcessHandle(void*) override {}

private:
    TraceRun& m_run;
};

// A task of the dry run: Update's task record with its platform operations
// answered from the given results and the defaults.
class TraceTask final : public upd::CTask {
public:
    TraceTask(upd::ITaskPlatform& platform, TraceRun& run) : CTask(nullptr, platform), m_run(run) {}

    uint32_t Execute() override {
        ++m_run.runs[m_nTaskNumber];
        m_run.result.tasks++;
        if (Type == upd::TASK_RUN_PROGRAM && (Verify || (!Distinct.empty() && !CalcFile.empty())) &&
            !m_run.options.trust.count(m_nTaskNumber))
            m_run.trustAssumed = true;
        uint32_t given = 0;
        bool hasGiven = m_run.Given(m_nTaskNumber, &given);
        uint32_t r = CTask::Execute();
        if (!hasGiven) {
            NoteDefault(r);
            return r;
        }
        if (!TakesGivenResult()) {
            m_run.Note(FormatString(L"TASK_%d (%ls) does not take a given result: Update's result is 0x%08X",
                                    int(m_nTaskNumber), TypeWord(Type), unsigned(r)));
            return r;
        }
        if (Type == upd::TASK_RUN_PROGRAM) return r;  // the exit code counts when the wait ends
        SetResult(given);
        return given;
    }

    uint32_t VerifyTarget() override {
        m_run.verifying = m_nTaskNumber;
        return CTask::VerifyTarget();
    }

    uint32_t IsWaiting() override {
        if (Type != upd::TASK_RUN_PROGRAM || !WaitExit || !m_started) return 0;
        uint32_t exitCode = 0;
        m_run.Given(m_nTaskNumber, &exitCode);
        SetResult(exitCode);
        m_started = false;
        return 0;
    }

    uint32_t StartProcess() override {
        m_run.Log(FormatString(L"  Exec: %ls.", upd::BuildProcessCommandLine(Path, ChosenArguments()).c_str()));
        return Start();
    }
    uint32_t StartShellExecute() override {
        const std::wstring file = L"\"" + Path + L"\"";
        m_run.Log(FormatString(L"  Exec: %ls %ls.", file.c_str(), ChosenArguments().c_str()));
        return Start();
    }
    void BringOwnerToFront() override {}
    void Activate() override {}
    uint32_t ShowMessageBox() override {
        if (m_bSilent) return upd::kSilentDialogAnswer;
        uint32_t style = upd::ParseFlagNames(upd::MessageBoxFlagNames().data(), MsgType);
        return MessageBoxDefaultAnswer(style);
    }
    uint32_t ShowTaskDialog() override {
        if (m_bSilent) return upd::kSilentDialogAnswer;
        uint32_t answer = TaskDialogDefaultAnswer(*this);
        uint32_t given = 0;
        if (m_run.Given(m_nTaskNumber, &given)) answer = given;
        m_run.Log(FormatString(L"  TaskDialogIndirect Success 0x%08X.", unsigned(answer)));
        return answer;
    }
    void ExitWindowsTask(uint32_t) override {
        if (!m_bSilent)
            m_run.Note(FormatString(L"TASK_%d asks Windows to %ls: Update goes on with the list until Windows "
                                    L"ends the session, which may cut the run short with the exit code stored last",
                                    int(m_nTaskNumber), Type == upd::TASK_RESTART ? L"restart" : L"shut down"));
    }
    uint32_t OpenUrl() override {
        if (m_bSilent) return 1;
        m_run.Log(FormatString(L"  URL: %ls.", URL.c_str()));
        return 1;
    }
    // A 64-bit Update never runs under WOW64.
    uint32_t IsWow64() override { return 0; }
    uint32_t CheckBaseBoard() override { return kFailed; }
    uint32_t CheckDiskDrive(const std::wstring&) override { return kFailed; }
    uint32_t CheckFileHash() override { return 1; }
    uint32_t RemoveOwnFolderAtReboot() override { return 0; }
    void DeleteFolderContents(const std::wstring&) override {}

private:
    // Program tasks fail to start when the program is missing from the
    // package folder (when that folder is known).
    uint32_t Start() {
        uint32_t error = MissingProgramError();
        if (error != 0) {
            m_run.Log(FormatString(L"  Error - Exec failed (%d).", int(error)));
            return kFailed;
        }
        m_started = true;
        NoteToolThatCannotWork();
        return 0;
    }

    // A tool of the package started with options that cannot work in this
    // run (a waited Progress /ON never returns, a silent run's Optpick
    // without /s waits for a person): Update would not go on here. The
    // trace goes on with the given result and says so.
    void NoteToolThatCannotWork() {
        PackageTool tool = ToolOfPath(Path);
        if (tool == PackageTool::None) return;
        RunScope run = m_bSilent ? RunScope::Silent : RunScope::Interactive;
        for (const ToolIssue& issue : CheckToolOptions(tool, run, ChosenArguments(), WaitExit != 0, false))
            if (issue.severity == Severity::Error)
                m_run.Note(FormatString(L"TASK_%d: %ls", int(m_nTaskNumber), issue.message.c_str()));
    }

    uint32_t MissingProgramError() {
        const TraceOptions& o = m_run.options;
        if (o.packageFolder.empty()) return 0;
        std::wstring prefix = o.updateFolder + L"\\";
        if (Path.find(L'%') != std::wstring::npos) {
            m_run.Note(FormatString(L"TASK_%d: %ls names an environment variable that is not set here: the trace "
                                    L"assumes the program starts",
                                    int(m_nTaskNumber), Path.c_str()));
            return 0;
        }
        if (Path.size() <= prefix.size() || !EqualsNoCaseAscii(Path.substr(0, prefix.size()), prefix)) {
            m_run.Note(FormatString(L"TASK_%d: %ls lies outside the package folder: the trace assumes it starts",
                                    int(m_nTaskNumber), Path.c_str()));
            return 0;
        }
        return LookUpInFolder(o.packageFolder, Path.substr(prefix.size()));
    }

    // Types whose result comes from outside the list.
    bool TakesGivenResult() const {
        switch (Type) {
        case upd::TASK_RUN_PROGRAM: return WaitExit != 0;
        case upd::TASK_MESSAGE_BOX:
        case upd::TASK_TASK_DIALOG: return !m_bSilent;
        case upd::TASK_WOW64_TEST:
        case upd::TASK_BASEBOARD_CHECK:
        case upd::TASK_DISK_MODEL_CHECK:
        case upd::TASK_DISK_FIRMWARE_CHECK:
        case upd::TASK_PARAMETER_TEST: return true;
        default: return false;
        }
    }

    void NoteDefault(uint32_t r) {
        const wchar_t* what = nullptr;
        switch (Type) {
        case upd::TASK_RUN_PROGRAM:
            if (WaitExit && r != kFailed) what = L"the program's exit code is not given: 0 assumed";
            break;
        case upd::TASK_MESSAGE_BOX:
        case upd::TASK_TASK_DIALOG:
            if (!m_bSilent) what = L"the answer is not given: the default button assumed";
            break;
        case upd::TASK_WOW64_TEST: what = L"a 64-bit Update does not run under WOW64"; break;
        case upd::TASK_BASEBOARD_CHECK: what = L"the base board is not known: no name matches"; break;
        case upd::TASK_DISK_MODEL_CHECK:
        case upd::TASK_DISK_FIRMWARE_CHECK: what = L"the disk drive is not known: its value cannot be read"; break;
        case upd::TASK_PARAMETER_TEST: what = L"Update's stored arguments are taken from --silent and --first"; break;
        default: break;
        }
        if (what)
            m_run.Note(FormatString(L"TASK_%d (%ls): %ls; result 0x%08X (give --result %d=VALUE)",
                                    int(m_nTaskNumber), TypeWord(Type), what, unsigned(r), int(m_nTaskNumber)));
    }

    TraceRun& m_run;
    bool m_started = false;
};

// The hidden window of the dry run: posted messages and timers in one
// queue, handled in order.
class TraceHost final : public upd::ISequencerHost {
public:
    TraceHost(TraceRun& run, upd::ITaskPlatform& platform) : m_run(run), m_platform(platform) {}

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
    void DestroyOwnWindow() override { destroyed = true; }
    void ForegroundOwnWindow() override {}
    void ShowConfigMessage(const std::wstring&, unsigned) override {}
    void Log(const std::wstring& line) override { m_run.Log(line); }
    std::unique_ptr<upd::CTask> CreateTask() override { return std::make_unique<TraceTask>(m_platform, m_run); }

    std::deque<Event> queue;
    bool destroyed = false;

private:
    TraceRun& m_run;
    upd::ITaskPlatform& m_platform;
};

bool ParseSigned32(const std::wstring& text, uint32_t* value) {
    if (text.empty()) return false;
    bool negative = text[0] == L'-';
    uint32_t magnitude = 0;
    if (!ParseUnsignedAuto(negative ? text.substr(1) : text, &magnitude)) return false;
    if (negative) {
        if (magnitude > 0x80000000u) return false;
        *value = 0u - magnitude;
    } else {
        *value = magnitude;
    }
    return true;
}

}  // namespace

bool ParseTraceResult(const std::wstring& text, uint32_t* task, std::vector<uint32_t>* values) {
    size_t eq = text.find(L'=');
    if (eq == std::wstring::npos) return false;
    uint32_t number = 0;
    if (!ParseSigned32(text.substr(0, eq), &number)) return false;
    std::vector<uint32_t> list;
    std::wstring rest = text.substr(eq + 1);
    size_t pos = 0;
    while (true) {
        size_t comma = rest.find(L',', pos);
        uint32_t v = 0;
        if (!ParseSigned32(rest.substr(pos, comma == std::wstring::npos ? std::wstring::npos : comma - pos), &v))
            return false;
        list.push_back(v);
        if (comma == std::wstring::npos) break;
        pos = comma + 1;
    }
    *task = number;
    *values = std::move(list);
    return true;
}

TraceResult TraceConfigBytes(const std::vector<uint8_t>& bytes, const TraceOptions& options) {
    TraceResult result;
    IntegrityResult integrity = CheckIntegrity(bytes.data(), bytes.size());
    if (!integrity.valid) {
        result.lines.push_back(L"error - falsify ini file. return 3.");
        result.exitCode = upd::kExitIniFalsified;
        return result;
    }
    IniDocumentSource source(ParseIni(DecodeFileText(bytes)));
    CGlobalIniMgr config(source);
    config.SetLoaded(L"config.ini", integrity);

    TraceRun run(options, result);
    if (options.silent) run.storedArgs.push_back(L"/s");
    if (options.firstTask != 1) run.storedArgs.push_back(FormatString(L"/FTN:%d", int(options.firstTask)));
    TracePlatform platform(run);
    TraceHost host(run, platform);

    upd::RunState state;
    state.silent = options.silent ? 1 : 0;
    state.skipTrust = upd::IsOff(config.GetString(L"CERT", L"VERIFY", L"")) ? 1 : 0;
    state.firstTask = options.firstTask;
    state.currentTask = options.firstTask;
    state.updateFolder = options.updateFolder;
    state.exitCode = 0;

    upd::CSequencer sequencer(state, &config, host);
    sequencer.OnCreate();
    while (!host.destroyed && !host.queue.empty()) {
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

bool IsTraceCommand(const std::vector<std::wstring>& args) {
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i] == L"--trace") return true;
    return false;
}

namespace {

const wchar_t kTraceUsage[] =
    L"usage: TaskLint --trace [--silent] [--result N=VALUE[,VALUE...]]... [--trust N=VALUE]... [--first N]\n"
    L"                [--package DIR] [--update-dir DIR] [--max-tasks N] CONFIG.INI\n"
    L"  runs the task list on paper and prints the log lines Update would write, then the exit code;\n"
    L"  exit code 0 the run ends, 3 usage or unreadable file, 4 the run does not end (stopped)\n"
    L"  --silent         a silent run (Update /s)\n"
    L"  --result N=V     task N gives V each time it runs (V1,V2,...: one value per run, the last repeats)\n"
    L"  --trust N=V      WinVerifyTrust answers V for the program of task N (default 0: trusted)\n"
    L"  --first N        the first task, as Update's /FTN:N (default 1)\n"
    L"  --package DIR    the package folder (where Update.exe lies); a program missing there fails to start;\n"
    L"                   default: the folder above the file's \"config\" folder\n"
    L"  --update-dir D   Update's folder as Update sees it, for the paths in the log (default: the package folder)\n"
    L"  --max-tasks N    stop after N tasks (default 10000)";

int Usage(std::wstring& err, const std::wstring& problem) {
    err = (problem.empty() ? L"" : problem + L"\n") + std::wstring(kTraceUsage) + L"\n";
    return kTraceExitUsage;
}

}  // namespace

int TraceMain(const std::vector<std::wstring>& args, std::wstring& out, std::wstring& err) {
    TraceOptions options;
    std::wstring file, updateDir;
    bool packageGiven = false, updateDirGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == L"--trace") {
        } else if (a == L"--silent") {
            options.silent = true;
        } else if (a == L"--help" || a == L"-h") {
            out = std::wstring(kTraceUsage) + L"\n";
            return kTraceExitEnded;
        } else if (a == L"--result" && hasValue) {
            uint32_t task = 0;
            std::vector<uint32_t> values;
            if (!ParseTraceResult(args[++i], &task, &values))
                return Usage(err, L"--result needs N=VALUE (32-bit numbers, decimal or 0x hexadecimal): " + args[i]);
            options.results[task] = values;
        } else if (a == L"--trust" && hasValue) {
            uint32_t task = 0;
            std::vector<uint32_t> values;
            if (!ParseTraceResult(args[++i], &task, &values) || values.size() != 1)
                return Usage(err, L"--trust needs N=VALUE (a 32-bit number): " + args[i]);
            options.trust[task] = values[0];
        } else if (a == L"--first" && hasValue) {
            if (!ParseSigned32(args[++i], &options.firstTask)) return Usage(err, L"--first needs a task number");
        } else if (a == L"--max-tasks" && hasValue) {
            uint32_t n = 0;
            if (!ParseUnsignedAuto(args[++i], &n) || n == 0) return Usage(err, L"--max-tasks needs a number above 0");
            options.maxTasks = n;
        } else if (a == L"--package" && hasValue) {
            options.packageFolder = WideToPath(args[++i]);
            packageGiven = true;
        } else if (a == L"--update-dir" && hasValue) {
            updateDir = args[++i];
            updateDirGiven = true;
        } else if (!a.empty() && a[0] == L'-' && a != L"-") {
            return Usage(err, L"unknown option or missing value: " + a);
        } else if (file.empty()) {
            file = a;
        } else {
            return Usage(err, L"");
        }
    }
    if (file.empty()) return Usage(err, L"");
    std::vector<uint8_t> bytes;
    std::filesystem::path path = WideToPath(file);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) || !ReadWholeFile(path, bytes)) {
        err = file + L": cannot read the file\n";
        return kTraceExitUsage;
    }
    if (!packageGiven) {
        std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
        if (EqualsNoCaseAscii(PathToWide(folder.filename()), L"config")) options.packageFolder = folder.parent_path();
    }
    if (updateDirGiven) {
        options.updateFolder = updateDir;
    } else if (!options.packageFolder.empty()) {
        options.updateFolder = PathToWide(std::filesystem::absolute(options.packageFolder, ec));
    }
    while (options.updateFolder.size() > 1 &&
           (options.updateFolder.back() == L'\\' || options.updateFolder.back() == L'/'))
        options.updateFolder.pop_back();

    TraceResult trace = TraceConfigBytes(bytes, options);
    out = FormatTrace(trace);
    for (const std::wstring& note : trace.notes) err += L"note: " + note + L"\n";
    return trace.end == TraceEnd::Stopped ? kTraceExitStopped : kTraceExitEnded;
}

}  // namespace fwu::lint
