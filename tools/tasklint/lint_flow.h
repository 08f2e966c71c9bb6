// One run's task flow as a graph over the tasks of a report: the edges of
// each task's RunFlow for that run (shown or silent), and the one
// breadth-first walk every path question goes through.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "tasklint_core.h"

namespace fwu::lint {

class RunGraph {
public:
    RunGraph(const std::map<uint32_t, TaskInfo>& tasks, RunFlow TaskInfo::*run) : m_tasks(tasks), m_run(run) {}

    // Edges a run follows to another task (branches, falling through, go-to).
    static bool Follows(const Edge& e) {
        return e.kind == Edge::Kind::Branch || e.kind == Edge::Kind::Goto || e.kind == Edge::Kind::FallThrough;
    }
    static std::vector<uint32_t> Successors(const std::vector<Edge>& edges) {
        std::vector<uint32_t> out;
        for (const Edge& e : edges)
            if (Follows(e)) out.push_back(e.target);
        return out;
    }
    // Where the run goes after the result `r`, as the edges tell: the next
    // task, or nothing when the run ends there.
    static std::optional<uint32_t> TargetOf(const std::vector<Edge>& edges, uint32_t r);

    const RunFlow& Flow(const TaskInfo& t) const { return t.*m_run; }

    // A task that ends the run from where it stands (or fails to load, or
    // does not exist).
    bool EndsHere(uint32_t n) const;

    enum class Step { Go, Stop, Found };

    // Walks breadth first over the tasks the run reaches from `starts`, the
    // starts included. `visit(n, task)` answers whether to go on from a
    // task, to go no further along that path, or to end the walk there: the
    // task it ended at, or nothing.
    template <typename Visit>
    std::optional<uint32_t> Walk(const std::vector<uint32_t>& starts, Visit visit) const {
        std::set<uint32_t> seen;
        std::deque<uint32_t> queue;
        for (uint32_t s : starts)
            if (seen.insert(s).second) queue.push_back(s);
        while (!queue.empty()) {
            uint32_t n = queue.front();
            queue.pop_front();
            auto it = m_tasks.find(n);
            if (it == m_tasks.end()) continue;
            const Step step = visit(n, it->second);
            if (step == Step::Found) return n;
            if (step == Step::Stop) continue;
            for (uint32_t s : Successors(Flow(it->second).edges))
                if (seen.insert(s).second) queue.push_back(s);
        }
        return std::nullopt;
    }
    template <typename Visit>
    std::optional<uint32_t> Walk(uint32_t start, Visit visit) const {
        return Walk(std::vector<uint32_t>{start}, visit);
    }

    // The tasks a path of at least one edge leads to from `from`.
    std::set<uint32_t> ReachFrom(uint32_t from) const;
    // Whether a path of at least one edge leads from `from` to `to`.
    bool Leads(uint32_t from, uint32_t to) const;

private:
    std::vector<uint32_t> SuccessorsOf(uint32_t n) const;

    const std::map<uint32_t, TaskInfo>& m_tasks;
    RunFlow TaskInfo::*m_run;
};

}  // namespace fwu::lint
