// The command line of TaskLint's dry run (--trace) and its result options.
#include <filesystem>
#include <system_error>

#include "inifile.h"
#include "number.h"
#include "tasklint_core.h"
#include "tasklint_trace.h"
#include "text.h"

namespace fwu::lint {

namespace {

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

bool IsTraceCommand(const std::vector<std::wstring>& args) {
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i] == L"--trace") return true;
    return false;
}

namespace {

const std::wstring kTraceUsage = FormatString(
    L"usage: TaskLint --trace [--silent] [--result N=VALUE[,VALUE...]]... [--trust N=VALUE]... [--first N]\n"
    L"                [--package DIR] [--update-dir DIR] [--max-tasks N] CONFIG.INI\n"
    L"  runs the task list on paper and prints the log lines Update would write, then the exit code;\n"
    L"  exit code %d the run ends, %d usage or unreadable file, %d the run does not end (stopped)\n"
    L"  --silent         a silent run (Update /s)\n"
    L"  --result N=V     task N gives V each time it runs (V1,V2,...: one value per run, the last repeats)\n"
    L"  --trust N=V      WinVerifyTrust answers V for the program of task N (default 0: trusted)\n"
    L"  --first N        the first task, as Update's /FTN:N (default 1)\n"
    L"  --package DIR    the package folder (where Update.exe lies); a program missing there fails to start;\n"
    L"                   default: the folder above the file's \"config\" folder\n"
    L"  --update-dir D   Update's folder as Update sees it, for the paths in the log (default: the package folder)\n"
    L"  --max-tasks N    stop after N tasks (default 10000)",
    kTraceExitEnded, kTraceExitUsage, kTraceExitStopped);

int Usage(std::wstring& err, const std::wstring& problem) {
    err = (problem.empty() ? L"" : problem + L"\n") + kTraceUsage + L"\n";
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
            out = kTraceUsage + L"\n";
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
