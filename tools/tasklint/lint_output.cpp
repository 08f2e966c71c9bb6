// What TaskLint writes: the prefix of a run's findings, a finding as a
// line, and the task flow as a Graphviz DOT graph.
#include "lint_grammar.h"
#include "tasklint_core.h"
#include "task.h"
#include "taskrules.h"
#include "text.h"
#include "update_defs.h"

namespace fwu::lint {

const wchar_t* RunPrefix(RunScope scope) {
    switch (scope) {
    case RunScope::Interactive: return L"interactive run: ";
    case RunScope::Silent: return L"silent run: ";
    case RunScope::Both: return L"both runs: ";
    default: return L"";
    }
}

std::wstring FormatFinding(const std::wstring& fileLabel, const Finding& f) {
    std::wstring s = fileLabel;
    s.reserve(fileLabel.size() + f.section.size() + f.key.size() + f.message.size() + 32);
    s += L':';
    s += std::to_wstring(f.line);
    s += L": ";
    s += f.severity == Severity::Error ? L"error: " : L"warning: ";
    if (!f.section.empty()) {
        s += L'[';
        s += f.section;
        s += L"] ";
    }
    if (!f.key.empty()) {
        s += f.key;
        s += L": ";
    }
    s += f.message;
    return s;
}

namespace {

std::wstring DotEscape(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') out.push_back(L'\\');
        if (c == L'\r' || c == L'\n') {
            out += L" ";
            continue;
        }
        out.push_back(c);
    }
    return out;
}

std::wstring EdgeLabel(const Edge& e) {
    if (e.otherResults) return e.results.empty() ? L"other" : L"other";
    std::wstring s;
    for (size_t i = 0; i < e.results.size() && i < 6; ++i) s += (i ? L", " : L"") + ShortValue(e.results[i]);
    if (e.results.size() > 6) s += L", ...";
    return s;
}

}  // namespace

std::wstring WriteDot(const LintReport& report, const std::wstring& title) {
    std::wstring d = L"digraph tasks {\n";
    d += L"  label=\"" + DotEscape(title) + L"\";\n  labelloc=t;\n";
    d += L"  node [shape=box, style=rounded, fontname=\"Helvetica\", fontsize=11];\n";
    d += L"  edge [fontname=\"Helvetica\", fontsize=10];\n";
    d += L"  start [shape=circle, label=\"start\", style=filled, fillcolor=\"#dddddd\"];\n";
    d += FormatString(L"  end [shape=doublecircle, label=\"end\\nexit %u\", style=filled, fillcolor=\"#c8f0c8\"];\n",
                      unsigned(upd::kExitOk));
    d += FormatString(L"  start -> t%u;\n", report.firstTask);
    bool usesEnd = false;
    for (const auto& [n, t] : report.tasks) {
        std::wstring label = t.section + L"\\n";
        if (t.loads) {
            label += FormatString(L"%u: ", t.type) + DotEscape(TypeName(t.type));
            if (!t.label.empty()) label += L"\\n" + DotEscape(t.label);
        } else {
            label += FormatString(L"does not load\\nexit %u", unsigned(upd::kExitLoadFailed));
        }
        std::wstring attrs = L"label=\"" + label + L"\"";
        if (!t.loads) attrs += L", color=red, fontcolor=red";
        else if (t.stuck) attrs += L", color=red";
        if (!t.reachable) attrs += L", style=\"rounded,dashed\", color=gray, fontcolor=gray";
        d += FormatString(L"  t%u [", n) + attrs + L"];\n";
        for (const Edge& e : t.edges) {
            switch (e.kind) {
            case Edge::Kind::Branch:
                d += FormatString(L"  t%u -> t%u [label=\"%ls\"];\n", n, e.target, EdgeLabel(e).c_str());
                break;
            case Edge::Kind::FallThrough:
                d += FormatString(L"  t%u -> t%u [label=\"%ls\", style=dashed];\n", n, e.target,
                                  EdgeLabel(e).c_str());
                break;
            case Edge::Kind::Goto:
                d += FormatString(L"  t%u -> t%u [label=\"go to\", style=bold];\n", n, e.target);
                break;
            case Edge::Kind::End:
                usesEnd = true;
                d += FormatString(L"  t%u -> end [label=\"%ls\"];\n", n,
                                  t.type == kTaskGoto ? L"go to -1" : EdgeLabel(e).c_str());
                break;
            case Edge::Kind::ReturnValue:
                d += FormatString(L"  ret%u [shape=doublecircle, label=\"exit %d\", style=filled, "
                                  L"fillcolor=\"#c8f0c8\"];\n  t%u -> ret%u;\n",
                                  n, int(t.returnValue), n, n);
                break;
            case Edge::Kind::SessionEnd:
                d += FormatString(L"  session%u [shape=doublecircle, label=\"%ls\", style=filled, "
                                  L"fillcolor=\"#f0e0c0\"];\n  t%u -> session%u [label=\"Windows ends\\nthe "
                                  L"session\"];\n",
                                  n, t.type == kTaskRestart ? L"restart" : L"shutdown", n, n);
                break;
            default:
                break;
            }
        }
    }
    for (uint32_t m : report.missingTargets)
        d += FormatString(L"  t%u [shape=octagon, color=red, fontcolor=red, label=\"%ls\\nmissing\\nexit %u\"];\n",
                          m, upd::TaskSectionName(m).c_str(), unsigned(upd::kExitLoadFailed));
    // Targets that no reachable path uses but that still have no section.
    for (const auto& [n, t] : report.tasks)
        for (const Edge& e : t.edges)
            if ((e.kind == Edge::Kind::Branch || e.kind == Edge::Kind::Goto || e.kind == Edge::Kind::FallThrough) &&
                !report.tasks.count(e.target) && !report.missingTargets.count(e.target))
                d += FormatString(L"  t%u [shape=octagon, color=gray, fontcolor=gray, "
                                  L"label=\"%ls\\nmissing\"];\n",
                                  e.target, upd::TaskSectionName(e.target).c_str());
    if (!usesEnd) d += L"  end [style=invis];\n";
    d += L"}\n";
    return d;
}

}  // namespace fwu::lint
