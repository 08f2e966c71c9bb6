// What the passes of the checker share while they look at one task list:
// the file as read, Update's view of it, the loaded task records and the
// report they fill. Each pass (keys, flow, tools, exit codes) is a class
// over this state.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "config.h"
#include "inifile.h"
#include "task.h"
#include "taskrules.h"
#include "tasklint_core.h"

namespace fwu::lint {

struct LintState {
    const IniDocument& doc;
    CGlobalIniMgr& mgr;
    bool sealed;
    const LintOptions& options;
    LintReport& report;
    std::set<int> bareLines;                  // lines without "=", already reported
    std::map<uint32_t, upd::TaskRecord> tasks;  // the tasks that load
    LintEnvironment environment;
};

class LintPass {
protected:
    explicit LintPass(LintState& state)
        : m_doc(state.doc), m_mgr(state.mgr), m_sealed(state.sealed), m_options(state.options),
          m_report(state.report), m_environment(state.environment), m_bareLines(state.bareLines),
          m_tasks(state.tasks) {}

    void Add(Severity s, const std::wstring& section, const std::wstring& key, int line, std::wstring msg,
             RunScope run = RunScope::File) {
        const wchar_t* prefix = RunPrefix(run);
        if (*prefix != L'\0') msg.insert(0, prefix);
        m_report.findings.push_back({s, section, key, line, std::move(msg), run});
    }
    void Warn(const std::wstring& section, const std::wstring& key, int line, std::wstring msg) {
        Add(Severity::Warning, section, key, line, std::move(msg));
    }
    void Error(const std::wstring& section, const std::wstring& key, int line, std::wstring msg) {
        Add(Severity::Error, section, key, line, std::move(msg));
    }

    const IniEntry* Entry(const std::wstring& section, const std::wstring& key) const {
        const IniSection* s = m_doc.Find(section);
        return s ? s->Find(key) : nullptr;
    }
    int LineOf(const std::wstring& section, const std::wstring& key) const {
        const IniEntry* e = Entry(section, key);
        return e ? e->line : 0;
    }
    // The value as Update reads it (decoded in a sealed file).
    std::wstring String(const std::wstring& section, const std::wstring& key, const std::wstring& def = L"") const {
        return m_mgr.GetString(section, key, def);
    }
    uint32_t NextTask(const upd::TaskRecord& task, uint32_t result) const {
        return upd::NextTaskNumber(m_mgr, task, result);
    }

    // Where a finding of one or both runs goes: once, with the runs named.
    static RunScope ScopeOf(bool interactive, bool silent) {
        return interactive && silent ? RunScope::Both : silent ? RunScope::Silent : RunScope::Interactive;
    }

    const IniDocument& m_doc;
    CGlobalIniMgr& m_mgr;
    const bool m_sealed;
    const LintOptions& m_options;
    LintReport& m_report;
    LintEnvironment& m_environment;
    const std::set<int>& m_bareLines;
    std::map<uint32_t, upd::TaskRecord>& m_tasks;
};

// The passes, in the order the checker runs them.
// Sections and keys; loads every task and gives it its results.
void CheckKeys(LintState& state);
// The flow: edges of both runs, targets, paths that fall off the list,
// unreachable tasks and loops with no way out.
void CheckFlow(LintState& state);
// The tool set's own programs: their options in each run, their config.ini.
void CheckToolTasks(LintState& state);
// Exit codes a deployment system reads wrong.
void CheckDeploymentCodes(LintState& state);

// The results a loaded task can give in the run shown to a person, from
// Update's result rule over the answers its action can give.
ResultSet InteractiveResults(const TaskInfo& t, const upd::TaskRecord& task);
// The parameter test's results in each run (they differ by run).
void ParameterTestResults(TaskInfo& t, const upd::TaskRecord& task);

}  // namespace fwu::lint
