// The task flow of both runs: the edges each task's results take, the
// targets that do not exist, the paths that fall off the end of the list,
// the tasks no path reaches and the loops with no way out.
#include <algorithm>
#include <tuple>

#include "flag_names.h"
#include "lint_flow.h"
#include "lint_grammar.h"
#include "lint_pass.h"
#include "text.h"
#include "task_record.h"
#include "update_defs.h"

namespace fwu::lint {

std::optional<uint32_t> RunGraph::TargetOf(const std::vector<Edge>& edges, uint32_t r) {
    for (const Edge& e : edges)
        if (!e.otherResults && std::find(e.results.begin(), e.results.end(), r) != e.results.end())
            return e.kind == Edge::Kind::End ? std::nullopt : std::optional<uint32_t>(e.target);
    for (const Edge& e : edges)
        if (e.otherResults || (e.kind == Edge::Kind::FallThrough &&
                               std::find(e.results.begin(), e.results.end(), r) != e.results.end()))
            return e.kind == Edge::Kind::FallThrough ? std::optional<uint32_t>(e.target) : std::nullopt;
    return std::nullopt;
}

bool RunGraph::EndsHere(uint32_t n) const {
    auto it = m_tasks.find(n);
    if (it == m_tasks.end() || !it->second.loads) return true;
    for (const Edge& e : Flow(it->second).edges)
        if (e.kind == Edge::Kind::End || e.kind == Edge::Kind::ReturnValue || e.kind == Edge::Kind::SessionEnd)
            return true;
    return false;
}

std::vector<uint32_t> RunGraph::SuccessorsOf(uint32_t n) const {
    auto it = m_tasks.find(n);
    return it == m_tasks.end() ? std::vector<uint32_t>() : Successors(Flow(it->second).edges);
}

std::set<uint32_t> RunGraph::ReachFrom(uint32_t from) const {
    std::set<uint32_t> reached;
    Walk(SuccessorsOf(from), [&](uint32_t n, const TaskInfo&) {
        reached.insert(n);
        return Step::Go;
    });
    return reached;
}

bool RunGraph::Leads(uint32_t from, uint32_t to) const {
    return Walk(SuccessorsOf(from), [&](uint32_t n, const TaskInfo&) { return n == to ? Step::Found : Step::Go; })
        .has_value();
}

namespace {

// The next-task number that ends the run.
constexpr uint32_t kEnd = upd::kTaskListEnd;

class FlowChecks : public LintPass {
public:
    explicit FlowChecks(LintState& state) : LintPass(state) {}

    void Run() {
        BuildFlow();
        CheckReachability();
    }

private:
    void BuildFlow() {
        for (auto& [number, t] : m_report.tasks) {
            if (!t.loads) continue;
            const upd::TaskRecord& task = m_tasks.at(number);
            if (t.type == kTaskReturnValue) {
                t.returnValue = int32_t(upd::ReturnDataValue(task));
                t.edges.push_back({Edge::Kind::ReturnValue, 0, {}, false, L"Data", LineOf(t.section, L"Data")});
                t.interactive.edges = t.silent.edges = t.edges;
                continue;
            }
            if (t.type == kTaskGoto) {
                uint32_t target = NextTask(task, 0);
                Edge e{Edge::Kind::Goto, target, {}, false, L"Goto", LineOf(t.section, L"Goto")};
                if (target == kEnd) e.kind = Edge::Kind::End;
                t.edges.push_back(e);
                t.interactive.edges = t.silent.edges = t.edges;
                continue;
            }
            CheckRetKeys(t);
            // A shutdown or restart ends the session of a run shown to a
            // person; a silent run does neither and goes on like after any
            // other result.
            bool sessionEnds = t.type == kTaskShutdown || t.type == kTaskRestart;
            t.edges = MakeEdges(t, task, t.results, sessionEnds);
            t.interactive.edges = MakeEdges(t, task, t.interactive.results, sessionEnds);
            t.silent.edges = MakeEdges(t, task, t.silent.results, false);
        }
        // Targets without a section.
        for (auto& [number, t] : m_report.tasks) {
            for (const Edge& e : t.edges) {
                if (e.kind != Edge::Kind::Branch && e.kind != Edge::Kind::Goto && e.kind != Edge::Kind::FallThrough)
                    continue;
                if (m_report.tasks.count(e.target)) continue;
                if (e.kind == Edge::Kind::FallThrough) continue;  // reported along the paths
                Error(t.section, e.key, e.line,
                      FormatString(L"%ls does not exist: a run that goes there ends with exit code %u",
                                   upd::TaskSectionName(e.target).c_str(), unsigned(upd::kExitLoadFailed)));
            }
        }
    }

    void CheckRetKeys(const TaskInfo& t) {
        const IniSection* s = m_doc.Find(t.section);
        std::set<uint32_t> keyed;
        for (const IniEntry& e : s->entries) {
            std::optional<uint32_t> r = RetKeyResult(e.key);
            if (!r || !keyed.insert(*r).second) continue;
            if (!t.results.Contains(*r))
                Warn(t.section, e.key, e.line,
                     FormatString(L"a task of type %u (%ls) never gives the result %ls: this branch is never "
                                  L"taken",
                                  t.type, TypeName(t.type), Hex(*r).c_str()));
        }
    }

    // Where a run goes on after the results `results` of the task.
    std::vector<Edge> MakeEdges(const TaskInfo& t, const upd::TaskRecord& task, const ResultSet& results, bool sessionEnds) {
        std::vector<Edge> edges;
        if (sessionEnds) edges.push_back({Edge::Kind::SessionEnd, 0, {}, false, L"", t.line});
        const IniSection* s = m_doc.Find(t.section);
        std::set<uint32_t> keyed;
        for (const IniEntry& e : s->entries) {
            std::optional<uint32_t> r = RetKeyResult(e.key);
            if (!r || !keyed.insert(*r).second) continue;
            if (!results.Contains(*r)) continue;
            uint32_t next = NextTask(task, *r);
            Edge edge{Edge::Kind::Branch, next, {*r}, false, e.key, e.line};
            if (next == kEnd) edge.kind = Edge::Kind::End;
            // Branches to the same place share one edge.
            bool merged = false;
            for (Edge& old : edges)
                if (old.kind == edge.kind && old.target == edge.target && old.kind != Edge::Kind::SessionEnd &&
                    old.kind != Edge::Kind::FallThrough) {
                    old.results.push_back(*r);
                    merged = true;
                    break;
                }
            if (!merged) edges.push_back(edge);
        }
        // What no RET_ key names goes on with the next number (which wraps:
        // after TASK_-2 comes -1, the end of the run).
        Edge fall{Edge::Kind::FallThrough, 0, {}, results.any, L"", t.line};
        for (uint32_t r : results.values)
            if (!keyed.count(r)) fall.results.push_back(r);
        uint32_t unkeyed = fall.results.empty() ? 0x7FFFFFFFu : fall.results.front();
        while (keyed.count(unkeyed)) --unkeyed;
        fall.target = NextTask(task, unkeyed);
        if (fall.otherResults || !fall.results.empty()) {
            if (fall.target == kEnd) fall.kind = Edge::Kind::End;
            edges.push_back(fall);
        }
        return edges;
    }

    // --- paths --------------------------------------------------------------

    // A path of one run that falls off the list.
    struct FallOff {
        uint32_t task;
        uint32_t target;
        std::wstring results;
        bool operator<(const FallOff& o) const {
            return std::tie(task, target, results) < std::tie(o.task, o.target, o.results);
        }
    };
    struct RunPaths {
        std::set<FallOff> falls;
        std::set<std::vector<uint32_t>> loops;  // stuck tasks that reach each other
    };

    RunPaths FollowRun(RunFlow TaskInfo::*flow) {
        RunPaths run;
        const RunGraph graph(m_report.tasks, flow);
        std::set<uint32_t> reached;
        graph.Walk(m_options.firstTask, [&](uint32_t n, const TaskInfo& t) {
            reached.insert(n);
            for (const Edge& e : (t.*flow).edges) {
                if (!RunGraph::Follows(e) || m_report.tasks.count(e.target)) continue;
                m_report.missingTargets.insert(e.target);
                if (e.kind == Edge::Kind::FallThrough) run.falls.insert({n, e.target, DescribeResults(e)});
            }
            return RunGraph::Step::Go;
        });
        for (uint32_t n : reached) (m_report.tasks.at(n).*flow).reachable = true;
        // Tasks from which some ending can be reached.
        std::set<uint32_t> canEnd;
        bool grew = true;
        while (grew) {
            grew = false;
            for (auto& [n, t] : m_report.tasks) {
                if (!(t.*flow).reachable || canEnd.count(n)) continue;
                bool ends = graph.EndsHere(n);
                for (uint32_t s : RunGraph::Successors((t.*flow).edges))
                    ends = ends || canEnd.count(s) || !m_report.tasks.count(s);
                if (ends) {
                    canEnd.insert(n);
                    grew = true;
                }
            }
        }
        std::set<uint32_t> stuck;
        for (auto& [n, t] : m_report.tasks)
            if ((t.*flow).reachable && !canEnd.count(n)) {
                (t.*flow).stuck = true;
                stuck.insert(n);
            }
        std::set<uint32_t> done;
        for (uint32_t n : stuck) {
            if (done.count(n)) continue;
            std::set<uint32_t> from = graph.ReachFrom(n);
            if (!from.count(n)) continue;  // leads into a loop, is not part of one
            std::vector<uint32_t> loop;
            for (uint32_t m : from)
                if (graph.Leads(m, n)) loop.push_back(m);
            for (uint32_t m : loop) done.insert(m);
            run.loops.insert(loop);
        }
        return run;
    }

    void CheckReachability() {
        uint32_t first = m_options.firstTask;
        m_report.firstTask = first;
        if (!m_report.tasks.count(first)) {
            Error(L"", L"", 0,
                  FormatString(L"the first task %ls does not exist: the run ends at once with exit code %u",
                               upd::TaskSectionName(first).c_str(), unsigned(upd::kExitLoadFailed)));
            m_report.missingTargets.insert(first);
        }
        RunPaths shown = FollowRun(&TaskInfo::interactive);
        RunPaths silent = FollowRun(&TaskInfo::silent);
        for (auto& [n, t] : m_report.tasks) {
            t.reachable = t.interactive.reachable || t.silent.reachable;
            t.stuck = t.interactive.stuck || t.silent.stuck;
        }

        std::set<FallOff> falls = shown.falls;
        falls.insert(silent.falls.begin(), silent.falls.end());
        for (const FallOff& f : falls) {
            const TaskInfo& t = m_report.tasks.at(f.task);
            RunScope scope = ScopeOf(shown.falls.count(f) > 0, silent.falls.count(f) > 0);
            bool sessionEnds = t.type == kTaskShutdown || t.type == kTaskRestart;
            Add(Severity::Error, t.section, L"", t.line,
                FormatString(L"the run falls off the end of the list here: %ls %ls on with %ls, which does "
                             L"not exist (exit code %u)%ls; end the task with RET_ keys set to -1 or add the next "
                             L"task",
                             f.results.c_str(), f.results.rfind(L"the results ", 0) == 0 ? L"go" : L"goes",
                             upd::TaskSectionName(f.target).c_str(), unsigned(upd::kExitLoadFailed),
                             sessionEnds && scope != RunScope::Interactive
                                 ? L" - in silent mode Update does not restart or shut down, the deployment system "
                                   L"does"
                                 : L""),
                scope);
        }

        for (auto& [n, t] : m_report.tasks)
            if (!t.reachable)
                Warn(t.section, L"", t.line, FormatString(L"no path from %ls reaches this task", upd::TaskSectionName(first).c_str()));

        // A loop the silent run cannot leave never ends unattended: an error.
        // One only a person's answers keep going stays a warning.
        std::set<std::vector<uint32_t>> loops = shown.loops;
        loops.insert(silent.loops.begin(), silent.loops.end());
        for (const std::vector<uint32_t>& loop : loops) {
            bool inSilent = silent.loops.count(loop) > 0;
            RunScope scope = ScopeOf(shown.loops.count(loop) > 0, inSilent);
            std::wstring names;
            for (uint32_t m : loop) names += (names.empty() ? L"" : L", ") + upd::TaskSectionName(m);
            const TaskInfo& t = m_report.tasks.at(loop.front());
            Add(inSilent ? Severity::Error : Severity::Warning, t.section, L"", t.line,
                FormatString(L"loop with no way out: %ls repeat for ever, no result leads to an ending%ls",
                             names.c_str(),
                             scope == RunScope::Silent
                                 ? FormatString(L" (boxes and dialogs answer %u, restart and shutdown give 0x%08X)",
                                                unsigned(upd::kSilentDialogAnswer), unsigned(upd::kTaskFailed))
                                       .c_str()
                                 : L""),
                scope);
        }
    }

    std::wstring DescribeResults(const Edge& e) const {
        std::wstring s;
        if (e.otherResults) return L"every result without a RET_ key";
        s = e.results.size() == 1 ? L"the result " : L"the results ";
        for (size_t i = 0; i < e.results.size() && i < 8; ++i) s += (i ? L", " : L"") + Hex(e.results[i]);
        if (e.results.size() > 8) s += L", ...";
        return s;
    }
};

}  // namespace

void CheckFlow(LintState& state) { FlowChecks(state).Run(); }

}  // namespace fwu::lint
