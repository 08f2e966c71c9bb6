// Exit codes a deployment system reads wrong: a restart after which the run
// can end with 0, a "could not start" result that leads toward another
// program start, and a counter whose failures keep its loop going.
#include <optional>

#include "lint_flow.h"
#include "lint_grammar.h"
#include "lint_pass.h"
#include "tallykeep_core.h"
#include "tasklint_tools.h"
#include "text.h"
#include "task_record.h"
#include "update_defs.h"

namespace fwu::lint {

namespace {

class DeploymentChecks : public LintPass {
public:
    explicit DeploymentChecks(LintState& state) : LintPass(state) {}

    void Run() {
        CheckRestartEndings();
        CheckStartFailureBranches();
        CheckCounterLoops();
    }

private:
    // An ending with exit code 0 that one run can reach from the restart or
    // shutdown task `from` ("end index." or a return value of 0), told as
    // where it is; a path stops at another restart or shutdown, which
    // answers for itself.
    std::optional<std::wstring> ZeroEndingAfter(uint32_t from, RunFlow TaskInfo::*flow) {
        auto endsWithZero = [](const TaskInfo& t, RunFlow TaskInfo::*f) -> const Edge* {
            for (const Edge& e : (t.*f).edges)
                if (e.kind == Edge::Kind::End) return &e;
            return nullptr;
        };
        std::optional<uint32_t> at = RunGraph(m_report.tasks, flow).Walk(from, [&](uint32_t n, const TaskInfo& t) {
            if (n != from && (t.type == kTaskShutdown || t.type == kTaskRestart)) return RunGraph::Step::Stop;
            if ((t.type == kTaskReturnValue && t.returnValue == 0) || endsWithZero(t, flow)) return RunGraph::Step::Found;
            return RunGraph::Step::Go;
        });
        if (!at) return std::nullopt;
        const TaskInfo& t = m_report.tasks.at(*at);
        if (t.type == kTaskReturnValue && t.returnValue == 0) return FormatString(L"%ls returns %u", upd::TaskSectionName(*at).c_str(), unsigned(upd::kExitOk));
        const Edge& e = *endsWithZero(t, flow);
        return e.key.empty() || e.otherResults
                   ? FormatString(L"%ls ends the list", upd::TaskSectionName(*at).c_str())
                   : FormatString(L"%ls=%ls of %ls ends the list", e.key.c_str(), String(t.section, e.key).c_str(),
                                  upd::TaskSectionName(*at).c_str());
    }

    // A restart or shutdown that the run shown to a person reaches, after
    // which a run can still end with 0: a deployment system reads that as
    // done with no restart needed, and a silent run restarts nothing.
    void CheckRestartEndings() {
        for (auto& [n, t] : m_report.tasks) {
            if (!t.loads || (t.type != kTaskShutdown && t.type != kTaskRestart) || !t.interactive.reachable) continue;
            std::optional<std::wstring> shown = ZeroEndingAfter(n, &TaskInfo::interactive);
            std::optional<std::wstring> silent;
            if (t.silent.reachable) silent = ZeroEndingAfter(n, &TaskInfo::silent);
            if (!shown && !silent) continue;
            bool restart = t.type == kTaskRestart;
            Add(Severity::Warning, t.section, L"", t.line,
                FormatString(L"after this %ls the run can end with exit code %u (%ls): a deployment system reads "
                             L"%u as done with no restart needed, and a silent run does not %ls; end the path with "
                             L"a return-value task of Data=%u (done, restart required)",
                             restart ? L"restart" : L"shutdown", unsigned(upd::kExitOk),
                             (shown ? *shown : *silent).c_str(), unsigned(upd::kExitOk),
                             restart ? L"restart" : L"shut down", unsigned(kExitRestartRequired)),
                ScopeOf(shown.has_value(), silent.has_value()));
        }
    }

    // Whether two program tasks start the same program: the same Path
    // (letter case ignored), or the same tool of the set.
    bool SameProgram(const TaskInfo& a, const TaskInfo& b) {
        std::wstring pa = String(a.section, L"Path"), pb = String(b.section, L"Path");
        PackageTool ta = ToolOfPath(pa);
        return EqualsNoCaseAscii(pa, pb) || (ta != PackageTool::None && ta == ToolOfPath(pb));
    }

    // The first task along one run's paths from `start` that starts a
    // program acting on the machine: any program but the tool set's own,
    // which look at devices, count, ask or show a window (Unbinder, which
    // removes a driver, counts as acting). A path ends at an ending and at a
    // start of the program of `self` again, which answers for itself.
    std::optional<uint32_t> ProgramStartFrom(const TaskInfo& self, uint32_t start, RunFlow TaskInfo::*flow) {
        return RunGraph(m_report.tasks, flow).Walk(start, [&](uint32_t n, const TaskInfo& t) {
            if (t.type != kTaskRunProgram) return RunGraph::Step::Go;
            if (n == self.number || SameProgram(t, self)) return RunGraph::Step::Stop;
            std::wstring path = String(t.section, L"Path");
            PackageTool tool = ToolOfPath(path);
            return !path.empty() && (tool == PackageTool::None || tool == PackageTool::Unbinder) ? RunGraph::Step::Found
                                                                                                  : RunGraph::Step::Go;
        });
    }

    // RET_0xFFFFFFFF of a waited program: its own exit code 0xFFFFFFFF
    // (Romstamp's and Ailscan's "sorts before") and a start that failed
    // give the same result. Leading toward another program start, the
    // branch acts on an answer that may never have been given.
    void CheckStartFailureBranches() {
        for (auto& [n, t] : m_report.tasks) {
            if (!t.loads || t.type != kTaskRunProgram || !t.waitExit) continue;
            const IniEntry* key = nullptr;
            for (const IniEntry& e : m_doc.Find(t.section)->entries)
                if (RetKeyResult(e.key) == upd::kTaskFailed) {
                    key = &e;
                    break;
                }
            if (key == nullptr) continue;
            uint32_t target = NextTask(m_tasks.at(n), upd::kTaskFailed);
            if (target == upd::kTaskListEnd) continue;
            std::optional<uint32_t> shown, silent;
            if (t.interactive.reachable) shown = ProgramStartFrom(t, target, &TaskInfo::interactive);
            if (t.silent.reachable) silent = ProgramStartFrom(t, target, &TaskInfo::silent);
            if (!shown && !silent) continue;
            PackageTool tool = ToolOfPath(String(t.section, L"Path"));
            std::wstring what =
                tool == PackageTool::Romstamp || tool == PackageTool::Ailscan
                    ? FormatString(L"0x%08X is %ls's \"sorts before\" and also the result when %ls cannot be "
                                   L"started at all",
                                   unsigned(upd::kTaskFailed), ToolName(tool), ToolName(tool))
                    : FormatString(L"0x%08X is also the result when the program cannot be started at all",
                                   unsigned(upd::kTaskFailed));
            Add(Severity::Warning, t.section, key->key, key->line,
                what + FormatString(L", and this branch leads toward a program start (%ls): a program that did "
                                    L"not start and one that answered 0x%08X both take it; lead 0x%08X to "
                                    L"an ending, or to a second start of the same program, which answers for "
                                    L"itself",
                                    upd::TaskSectionName(shown ? *shown : *silent).c_str(),
                                    unsigned(upd::kTaskFailed), unsigned(upd::kTaskFailed)),
                ScopeOf(shown.has_value(), silent.has_value()));
        }
    }

    // A waited Tallykeep inside a loop whose failure results lead back into
    // the loop: it counted nothing, so the next check reads the old count
    // and the loop never reaches its limit.
    void CheckCounterLoops() {
        for (auto& entry : m_report.tasks) {
            // Named, not structured bindings: the lambda below captures them.
            const uint32_t n = entry.first;
            TaskInfo& t = entry.second;
            if (!t.loads || t.type != kTaskRunProgram || !t.waitExit) continue;
            if (ToolOfPath(String(t.section, L"Path")) != PackageTool::Tallykeep) continue;
            const upd::TaskRecord& task = m_tasks.at(n);
            auto around = [&](RunFlow TaskInfo::*flow, const std::wstring& arguments) -> std::wstring {
                if (!(t.*flow).reachable) return L"";
                std::wstring operation;
                std::vector<uint32_t> codes = TallykeepFailureCodes(arguments, &operation);
                std::wstring listed;
                size_t count = 0;
                std::optional<uint32_t> via;
                for (uint32_t c : codes) {
                    std::optional<uint32_t> next = RunGraph::TargetOf((t.*flow).edges, c);
                    if (!next || (*next != n && !RunGraph(m_report.tasks, flow).Leads(*next, n))) continue;
                    listed += (count++ ? L", " : L"") + Hex(c);
                    if (!via) via = next;
                }
                if (count == 0) return L"";
                return FormatString(
                    L"Tallykeep %ls is in a loop, and its failure result%ls %ls go%ls on around it (%ls): it "
                    L"counted nothing (%d: the new count was not stored, %d: the counter file is still there, %d: "
                    L"the counter stayed locked), so the next check still reads the old count and the loop never "
                    L"reaches its limit; lead these results out of the loop",
                    operation.c_str(), count > 1 ? L"s" : L"", listed.c_str(), count > 1 ? L"" : L"es",
                    *via == n ? std::wstring(L"back to this task").c_str()
                              : FormatString(L"with %ls, which leads back here", upd::TaskSectionName(*via).c_str())
                                    .c_str(),
                    int(tly::kExitWriteFailed), int(tly::kExitDeleteFailed), int(tly::kExitLockFailed));
            };
            std::wstring shown = around(&TaskInfo::interactive, task.Param);
            std::wstring silent = around(&TaskInfo::silent, task.Param_S);
            if (shown == silent && !shown.empty()) {
                Add(Severity::Warning, t.section, L"", t.line, shown, RunScope::Both);
                continue;
            }
            if (!shown.empty()) Add(Severity::Warning, t.section, L"", t.line, shown, RunScope::Interactive);
            if (!silent.empty()) Add(Severity::Warning, t.section, L"", t.line, silent, RunScope::Silent);
        }
    }
};

}  // namespace

void CheckDeploymentCodes(LintState& state) { DeploymentChecks(state).Run(); }

}  // namespace fwu::lint
