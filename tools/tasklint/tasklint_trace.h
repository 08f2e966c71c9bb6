// TaskLint's dry run: runs a task list on paper with results that the
// packager supplies and writes the log lines Update would write for that run.
//
// The run is Update's own: its sequencer (CSequencer) drives the tasks, each
// task is loaded with CTask::Load, executed through CTask::Execute and
// followed with CTask::GetNextTaskNumber. Only the platform behind them is
// replaced: programs are not started (their exit codes are given), dialogs
// answer as given, probes answer with defaults, and signatures count as
// trusted.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fwu::lint {

struct TraceOptions {
    bool silent = false;        // Update /s
    uint32_t firstTask = 1;     // Update /FTN:n
    // Results by task number: the k-th run of the task gives the k-th value,
    // the last value repeats.
    std::map<uint32_t, std::vector<uint32_t>> results;
    // WinVerifyTrust's answer for the program of a task (0, trusted, when
    // not given).
    std::map<uint32_t, uint32_t> trust;
    // Update's own folder as Update sees it (the text %UPDATEDIR% and
    // relative paths are joined to).
    std::wstring updateFolder = L"C:\\Package";
    // The package folder on this machine, for the check whether a program
    // exists (empty: every program starts).
    std::filesystem::path packageFolder;
    // The run stops after this many tasks (a run that does not end).
    uint64_t maxTasks = 10000;
};

enum class TraceEnd {
    Returned,  // Update ends with an exit code ("return N.")
    Stopped,   // the bound of tasks was reached: the run does not end
};

struct TraceResult {
    std::vector<std::wstring> lines;  // Update's log lines, without time stamps
    std::vector<std::wstring> notes;  // what the trace had to assume
    TraceEnd end = TraceEnd::Returned;
    uint32_t exitCode = 0;            // Update's exit code (Returned)
    uint64_t tasks = 0;               // tasks run ("TASK n." lines)
};

// Runs the task list in the bytes of a config.ini.
TraceResult TraceConfigBytes(const std::vector<uint8_t>& bytes, const TraceOptions& options);

// The lines of a trace as TaskLint prints them: the log lines, then
// "exit code: 0x%08X (%u)" or the message of a stopped run.
std::wstring FormatTrace(const TraceResult& trace);

// The exit codes of TaskLint --trace.
inline constexpr int kTraceExitEnded = 0;    // the run ends; the exit code is printed
inline constexpr int kTraceExitUsage = 3;    // usage error or unreadable file
inline constexpr int kTraceExitStopped = 4;  // stopped at the bound: the run does not end

// True when the command line asks for a dry run (--trace).
bool IsTraceCommand(const std::vector<std::wstring>& args);

// TaskLint --trace [--silent] [--result N=VALUE[,VALUE...]]... [--trust N=VALUE]...
// [--first N] [--package DIR] [--update-dir DIR] [--max-tasks N] CONFIG.INI
int TraceMain(const std::vector<std::wstring>& args, std::wstring& out, std::wstring& err);

// "N=VALUE[,VALUE...]": a task number (signed or unsigned, decimal or 0x
// hexadecimal) and 32-bit results. False when the text does not parse.
bool ParseTraceResult(const std::wstring& text, uint32_t* task, std::vector<uint32_t>* values);

}  // namespace fwu::lint
