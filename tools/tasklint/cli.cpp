#include <filesystem>

#include "fwu_version.h"
#include "inifile.h"
#include "number.h"
#include "tasklint_core.h"
#include "tasklint_trace.h"
#include "text.h"

namespace fwu::lint {

namespace {

const std::wstring kUsage = FormatString(
    L"usage: TaskLint [--graph[=FILE]] [--first N] [--package DIR] CONFIG.INI\n"
    L"       TaskLint --trace [--silent] [--result N=VALUE]... CONFIG.INI   (a dry run; --trace --help)\n"
    L"       TaskLint --version\n"
    L"  checks a task list the way Update reads it; exit code %d clean, %d warnings, %d errors,\n"
    L"  %d usage or unreadable file\n"
    L"  --graph      write the task flow as a Graphviz DOT graph (to FILE, or to standard output)\n"
    L"  --first N    the first task, as Update's /FTN:N (default 1)\n"
    L"  --package D  the package folder (where Update.exe lies) for the check of programs in Path;\n"
    L"               default: the folder above the file's \"config\" folder",
    kLintExitClean, kLintExitWarnings, kLintExitErrors, kLintExitUsage);

std::wstring LastPart(const std::wstring& path) {
    size_t p = path.find_last_of(L"\\/");
    return p == std::wstring::npos ? path : path.substr(p + 1);
}

std::filesystem::path ToPath(const std::wstring& s) { return WideToPath(s); }

// "1 error", "2 errors".
std::wstring Count(size_t n, const wchar_t* noun) {
    return FormatString(L"%u %ls%ls", unsigned(n), noun, n == 1 ? L"" : L"s");
}

// Update reads config\config.ini beside itself: the package folder is the
// one that holds the "config" folder.
std::filesystem::path DefaultPackageFolder(const std::filesystem::path& file) {
    std::filesystem::path folder = std::filesystem::absolute(file).parent_path();
    if (EqualsNoCaseAscii(PathToWide(folder.filename()), L"config")) return folder.parent_path();
    return {};
}

}  // namespace

int TaskLintMain(const std::vector<std::wstring>& args, std::wstring& out, std::wstring& err) {
    if (IsTraceCommand(args)) return TraceMain(args, out, err);
    LintOptions options;
    bool graph = false, packageGiven = false;
    std::wstring graphFile, file;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (a == L"--graph") {
            graph = true;
        } else if (a.rfind(L"--graph=", 0) == 0) {
            graph = true;
            graphFile = a.substr(8);
        } else if ((a == L"--first" || a == L"--package") && i + 1 < args.size()) {
            if (a == L"--first") {
                if (!ParseUnsignedAuto(args[++i], &options.firstTask)) {
                    err = L"--first needs a task number\n" + kUsage + L"\n";
                    return kLintExitUsage;
                }
            } else {
                options.packageFolder = ToPath(args[++i]);
                packageGiven = true;
            }
        } else if (a == L"--version") {
            out = L"TaskLint " FWU_VERSION_STRING L"\n";
            return kLintExitClean;
        } else if (a == L"--help" || a == L"-h") {
            out = kUsage + L"\n";
            return kLintExitClean;
        } else if (!a.empty() && a[0] == L'-') {
            err = L"unknown option " + a + L"\n" + kUsage + L"\n";
            return kLintExitUsage;
        } else if (file.empty()) {
            file = a;
        } else {
            err = kUsage + L"\n";
            return kLintExitUsage;
        }
    }
    if (file.empty()) {
        err = kUsage + L"\n";
        return kLintExitUsage;
    }
    std::vector<uint8_t> bytes;
    std::filesystem::path path = ToPath(file);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) || !ReadWholeFile(path, bytes)) {
        err = file + L": cannot read the file\n";
        return kLintExitUsage;
    }
    if (!packageGiven) options.packageFolder = DefaultPackageFolder(path);

    LintReport report = LintConfigBytes(bytes, options);
    std::wstring findings;
    for (const Finding& f : report.findings) findings += FormatFinding(file, f) + L"\n";
    size_t loading = 0;
    for (const auto& [n, t] : report.tasks) loading += t.loads ? 1 : 0;
    if (report.findings.empty())
        findings += FormatString(L"%ls: %ls%ls, no findings\n", file.c_str(), Count(loading, L"task").c_str(),
                                 report.sealed ? L" (sealed)" : L"");
    else
        findings += FormatString(L"%ls: %ls, %ls\n", file.c_str(), Count(size_t(report.Errors()), L"error").c_str(),
                                 Count(size_t(report.Warnings()), L"warning").c_str());

    if (graph) {
        std::wstring dot = WriteDot(report, LastPart(file));
        if (graphFile.empty()) {
            out = dot;
            err = findings;
        } else {
            std::string utf8 = ToUtf8(dot);
            if (!WriteWholeFile(ToPath(graphFile), std::vector<uint8_t>(utf8.begin(), utf8.end()))) {
                err = graphFile + L": cannot write the graph\n";
                return kLintExitUsage;
            }
            out = findings;
        }
    } else {
        out = findings;
    }
    return report.ExitCode();
}

}  // namespace fwu::lint
