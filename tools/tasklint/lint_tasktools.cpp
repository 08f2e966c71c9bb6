// Tasks that start one of the tool set's own programs: the options each run
// gives the tool, and the config.ini the tool reads beside itself.
#include <system_error>

#include "lint_pass.h"
#include "package_folder.h"
#include "tasklint_tools.h"
#include "tools.h"

namespace fwu::lint {

namespace {

class ToolTaskChecks : public LintPass {
public:
    explicit ToolTaskChecks(LintState& state) : LintPass(state) {}

    // A task that starts one of the tools: its options in each run that gets
    // to the task (in both when no run does), and the config.ini beside it.
    void CheckTools() {
        std::set<std::pair<std::wstring, std::wstring>> reported;  // config file issues, once per list
        for (auto& [number, t] : m_report.tasks) {
            if (!t.loads || t.type != kTaskRunProgram) continue;
            std::wstring path = String(t.section, L"Path");
            PackageTool tool = ToolOfPath(path);
            const upd::TaskRecord& task = m_tasks.at(number);
            if (tool == PackageTool::None) {
                // A silent run never falls back to Param.
                if ((t.silent.reachable || !t.reachable) && !task.Param.empty() && task.Param_S.empty()) {
                    int line = LineOf(t.section, L"Param_S");
                    Add(Severity::Warning, t.section, L"Param_S", line ? line : LineOf(t.section, L"Param"),
                        L"Param_S is empty: the program starts without arguments (Param is only for the run "
                        L"shown to a person)",
                        RunScope::Silent);
                }
                continue;
            }
            bool orderMatters = NextTask(task, uint32_t(CompareSign(1))) != NextTask(task, uint32_t(CompareSign(-1)));
            bool shown = t.interactive.reachable || !t.reachable;
            bool silent = t.silent.reachable || !t.reachable;
            std::vector<ToolIssue> shownIssues, silentIssues;
            if (shown)
                shownIssues = CheckToolOptions(tool, RunScope::Interactive, task.Param, t.waitExit, orderMatters);
            if (silent)
                silentIssues = CheckToolOptions(tool, RunScope::Silent, task.Param_S, t.waitExit, orderMatters);
            bool sameArguments = task.Param == task.Param_S;
            ReportToolIssues(t, shownIssues, silentIssues, sameArguments ? L"Param" : L"");

            // The tool's own config.ini: only for a program inside the package.
            if (m_options.packageFolder.empty() || path.find(L':') != std::wstring::npos ||
                path.find(L'%') != std::wstring::npos)
                continue;
            std::filesystem::path folder = m_options.packageFolder;
            size_t slash = path.find_last_of(L"\\/");
            if (slash != std::wstring::npos) {
                std::optional<std::filesystem::path> sub =
                    FindInFolder(m_options.packageFolder, path.substr(0, slash), EntryKind::Folder);
                std::error_code ec;
                if (!sub || !std::filesystem::exists(*sub, ec)) continue;
                folder = *sub;
            }
            std::vector<std::filesystem::path> files = ToolConfigFiles(folder);
            std::vector<ToolIssue> shownConfig, silentConfig;
            if (shown) shownConfig = CheckToolConfig(tool, task.Param, files, m_options.packageFolder);
            if (silent) silentConfig = CheckToolConfig(tool, task.Param_S, files, m_options.packageFolder);
            // One finding per problem of a file, at the first task that meets it.
            auto firstTime = [&](std::vector<ToolIssue>& issues) {
                std::vector<ToolIssue> kept;
                for (ToolIssue& i : issues)
                    if (!reported.count({PathToWide(folder), i.message})) kept.push_back(i);
                return kept;
            };
            shownConfig = firstTime(shownConfig);
            silentConfig = firstTime(silentConfig);
            ReportToolIssues(t, shownConfig, silentConfig, L"Path");
            for (const ToolIssue& i : shownConfig) reported.insert({PathToWide(folder), i.message});
            for (const ToolIssue& i : silentConfig) reported.insert({PathToWide(folder), i.message});
        }
    }

    // Issues of the two runs: one finding for an issue both runs have (at
    // `bothKey`; when that is empty each run keeps its own), else one per
    // run at that run's command line (Param, Param_S) or at Path.
    void ReportToolIssues(const TaskInfo& t, const std::vector<ToolIssue>& shown, const std::vector<ToolIssue>& silent,
                          const wchar_t* bothKey) {
        auto lineOf = [&](const wchar_t* key) {
            int line = LineOf(t.section, key);
            if (line == 0) line = LineOf(t.section, L"Path");
            return line ? line : t.line;
        };
        auto keyOf = [](const ToolIssue& i, RunScope run) {
            return i.aboutConfig ? L"Path" : run == RunScope::Silent ? L"Param_S" : L"Param";
        };
        auto has = [](const std::vector<ToolIssue>& list, const ToolIssue& i) {
            for (const ToolIssue& j : list)
                if (j.message == i.message && j.severity == i.severity) return true;
            return false;
        };
        bool merge = bothKey[0] != L'\0';
        for (const ToolIssue& i : shown) {
            if (merge && has(silent, i)) {
                Add(i.severity, t.section, bothKey, lineOf(bothKey), i.message, RunScope::Both);
                continue;
            }
            const wchar_t* key = keyOf(i, RunScope::Interactive);
            Add(i.severity, t.section, key, lineOf(key), i.message, RunScope::Interactive);
        }
        for (const ToolIssue& i : silent) {
            if (merge && has(shown, i)) continue;
            const wchar_t* key = keyOf(i, RunScope::Silent);
            Add(i.severity, t.section, key, lineOf(key), i.message, RunScope::Silent);
        }
    }
};

}  // namespace

void CheckToolTasks(LintState& state) { ToolTaskChecks(state).CheckTools(); }

}  // namespace fwu::lint
