// TaskLint: reads a config.ini the way Update reads it and reports what
// would go wrong in a run (errors), what reads differently from what it
// seems to say (warnings), and draws the task flow as a Graphviz graph.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fwu::lint {

enum class Severity { Warning, Error };

// The run a finding concerns. Update runs a list in one of two ways: shown
// to a person, or silent ("/s": boxes and dialogs answer 6, restart and
// shutdown do nothing and give 0xFFFFFFFF, programs start with Param_S).
// Findings about the file itself concern every run and name none.
enum class RunScope { File, Interactive, Silent, Both };

// The prefix a finding's message starts with for its run: "silent run: ",
// "interactive run: ", "both runs: "; empty for the file.
const wchar_t* RunPrefix(RunScope scope);

struct Finding {
    Severity severity = Severity::Warning;
    std::wstring section;  // empty for findings about the whole file
    std::wstring key;      // empty for findings about a section or a path
    int line = 0;          // 1-based; 0 for the whole file
    std::wstring message;  // starts with RunPrefix(run)
    RunScope run = RunScope::File;
};

struct LintOptions {
    uint32_t firstTask = 1;  // Update's "/FTN:"
    // Package folder (where Update.exe lies); empty: no check of the
    // programs named in Path.
    std::filesystem::path packageFolder;
};

// The results a task can give, as far as the task list tells.
struct ResultSet {
    bool any = false;              // every 32-bit value is possible (exit codes)
    std::set<uint32_t> values;     // results of a normal run (silent answer included)
    std::set<uint32_t> failures;   // results only when the action itself fails
    bool Contains(uint32_t r) const { return any || values.count(r) || failures.count(r); }
};

// Where a run goes after a task.
struct Edge {
    enum class Kind { Branch, FallThrough, Goto, End, ReturnValue, SessionEnd, Start };
    Kind kind = Kind::Branch;
    uint32_t target = 0;           // next task number (Branch, FallThrough, Goto, Start)
    std::vector<uint32_t> results; // result values that take this edge (Branch, FallThrough)
    bool otherResults = false;     // FallThrough: every result not named by a RET_ key
    std::wstring key;              // the key the edge comes from, if any
    int line = 0;
};

// One run's view of a task: what it can give there, where it goes on, and
// whether that run gets to it and can end from it.
struct RunFlow {
    ResultSet results;
    std::vector<Edge> edges;
    bool reachable = false;
    bool stuck = false;            // reachable, but no ending can be reached from it
};

struct TaskInfo {
    uint32_t number = 0;
    std::wstring section;
    int line = 0;
    bool loads = false;            // Type present and 0 to 13
    uint32_t type = 14;
    std::wstring label;            // short text for the graph
    bool waitExit = false;         // type 0 and 4: WaitExit=TRUE
    ResultSet results;             // what either run can give
    std::vector<Edge> edges;       // where either run goes on (the graph's edges)
    int32_t returnValue = 0;       // type 11
    bool reachable = false;        // some run gets to it
    bool stuck = false;            // some run gets to it and can never end from it
    RunFlow interactive;           // the run shown to a person
    RunFlow silent;                // Update /s
};

// What a silent run can give for a loaded task: a message box and a task
// dialog answer 6 at once, a shutdown or restart does nothing and gives
// 0xFFFFFFFF, every other task what it gives in any run (`task.results`).
ResultSet SilentResults(const TaskInfo& task);

struct LintReport {
    bool readable = false;         // the file could be read at all
    bool sealed = false;
    bool intact = true;            // passed the integrity check
    std::vector<Finding> findings;
    std::map<uint32_t, TaskInfo> tasks;   // every TASK_n section, by number
    std::set<uint32_t> missingTargets;    // numbers the run can reach without a section
    uint32_t firstTask = 1;
    int Errors() const;
    int Warnings() const;
    int ExitCode() const;  // 2 errors, 1 warnings, 0 clean
};

// The exit codes of the check.
inline constexpr int kLintExitClean = 0;
inline constexpr int kLintExitWarnings = 1;
inline constexpr int kLintExitErrors = 2;
inline constexpr int kLintExitUsage = 3;  // usage error or unreadable file

// Checks the bytes of a config.ini. `fileLabel` is only used in messages.
LintReport LintConfigBytes(const std::vector<uint8_t>& bytes, const LintOptions& options);

// The task flow as a Graphviz DOT graph.
std::wstring WriteDot(const LintReport& report, const std::wstring& title);

// One finding as a line: "FILE:LINE: error: [SECTION] KEY: message".
std::wstring FormatFinding(const std::wstring& fileLabel, const Finding& f);

// The command line: TaskLint [--graph[=FILE]] [--first N] [--package DIR] FILE.
// Exit codes: 0 clean, 1 warnings only, 2 errors, 3 usage or unreadable file.
// Findings go to `out`; with --graph and no FILE the graph goes to `out` and
// the findings to `err`.
int TaskLintMain(const std::vector<std::wstring>& args, std::wstring& out, std::wstring& err);

// Paths and wide strings: UTF-16 on Windows, UTF-8 elsewhere.
std::filesystem::path WideToPath(const std::wstring& text);
std::wstring PathToWide(const std::filesystem::path& path);

// The names Update knows in MsgType, TD_Flags and TD_CommonButtons (upper
// case, as upd::SplitFlagNames gives them) and in the icon keys (any case).
bool IsMessageBoxStyleName(const std::wstring& upperName);
bool IsTaskDialogFlagName(const std::wstring& upperName);
bool IsCommonButtonName(const std::wstring& upperName);
bool IsTaskDialogIconName(const std::wstring& name);

}  // namespace fwu::lint
