// The checker: reads the bytes of a config.ini as Update reads them and runs
// its passes over the list (lint_keys, lint_flow, lint_tasktools,
// lint_deploy).
#include "tasklint_core.h"

#include <algorithm>
#include <utility>

#include "config.h"
#include "flag_names.h"
#include "inifile.h"
#include "lint_pass.h"
#include "text.h"
#include "update_defs.h"

namespace fwu::lint {

int LintReport::Errors() const {
    return int(std::count_if(findings.begin(), findings.end(),
                             [](const Finding& f) { return f.severity == Severity::Error; }));
}

int LintReport::Warnings() const { return int(findings.size()) - Errors(); }

int LintReport::ExitCode() const {
    if (Errors() > 0) return kLintExitErrors;
    if (Warnings() > 0) return kLintExitWarnings;
    return kLintExitClean;
}

namespace {

// The flag-word tables are Update's own, and so is the rule that cuts a
// list into names: both read a style list alike.
bool InTable(const std::vector<upd::FlagNameEntry>& table, const std::wstring& upper) {
    return upd::FindFlagName(table.data(), upper) != nullptr;
}

void ReportOddLines(const std::vector<IniOddLine>& odd, std::vector<Finding>& findings) {
    for (const IniOddLine& o : odd) {
        switch (o.kind) {
        case IniOddLine::Kind::OpenHeader:
            findings.push_back(
                {Severity::Error, o.section, L"", o.line,
                 FormatString(L"'%ls' lacks its closing bracket: Update opens no section here (a task "
                              L"named in it does not load), and the keys below it %ls",
                              o.text.c_str(),
                              o.section.empty() ? L"belong to no section and are never read"
                                                : FormatString(L"count as keys of [%ls]", o.section.c_str()).c_str())});
            break;
        case IniOddLine::Kind::NoEquals:
            findings.push_back({Severity::Warning, o.section, L"", o.line,
                                FormatString(L"'%ls' is neither a section header, a key=value line nor a comment: "
                                             L"Update reads it as a key without a value",
                                             o.text.c_str())});
            break;
        case IniOddLine::Kind::BeforeSections:
            findings.push_back({Severity::Warning, L"", L"", o.line,
                                FormatString(L"'%ls' stands before the first section: Update never reads it",
                                             o.text.c_str())});
            break;
        }
    }
}

}  // namespace

bool IsMessageBoxStyleName(const std::wstring& n) { return InTable(MessageBoxStyleTable(), n); }
bool IsTaskDialogFlagName(const std::wstring& n) { return InTable(TaskDialogFlagTable(), n); }
bool IsCommonButtonName(const std::wstring& n) { return InTable(CommonButtonTable(), n); }
bool IsTaskDialogIconName(const std::wstring& n) {
    uint16_t resource = 0;
    return upd::TaskDialogIconFromName(n, &resource);
}

LintReport LintConfigBytes(const std::vector<uint8_t>& bytes, const LintOptions& options) {
    LintReport report;
    report.readable = true;
    report.firstTask = options.firstTask;
    IntegrityResult integrity = CheckIntegrity(bytes.data(), bytes.size());
    report.sealed = integrity.encoded;
    if (!integrity.valid) {
        report.intact = false;
        report.findings.push_back(
            {Severity::Error, L"", L"", 0,
             bytes.size() < 8
                 ? FormatString(L"the file is shorter than 8 bytes: Update reports it as falsified (exit code %u)",
                                unsigned(upd::kExitIniFalsified))
                 : FormatString(L"the file fails its integrity check (its CRC-32 trailer does not match): Update "
                                L"stops with exit code %u",
                                unsigned(upd::kExitIniFalsified))});
        return report;
    }
    std::vector<IniOddLine> odd;
    IniDocument doc = ParseIni(DecodeFileText(bytes), &odd);
    ReportOddLines(odd, report.findings);
    IniDocumentSource source(std::move(doc));
    CGlobalIniMgr mgr(source);
    mgr.SetLoaded(L"config.ini", IntegrityResult{integrity.valid, integrity.encoded});
    std::set<int> bareLines;
    for (const IniOddLine& o : odd)
        if (o.kind == IniOddLine::Kind::NoEquals) bareLines.insert(o.line);
    LintState state{source.Document(), mgr, integrity.encoded, options, report, std::move(bareLines), {}, {}};
    CheckKeys(state);
    CheckFlow(state);
    CheckToolTasks(state);
    CheckDeploymentCodes(state);
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return report;
}

}  // namespace fwu::lint
