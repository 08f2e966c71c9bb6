#include "tasklint_core.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <system_error>
#include <tuple>

#include "config.h"
#include "flag_names.h"
#include "inifile.h"
#include "number.h"
#include "task.h"
#include "taskrules.h"
#include "tasklint_tools.h"
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

ResultSet SilentResults(const TaskInfo& task) {
    ResultSet r;
    switch (task.type) {
    case kTaskMessageBox:
    case kTaskTaskDialog:
        r.values = {6};
        return r;
    case kTaskShutdown:
    case kTaskRestart:
        r.values = {0xFFFFFFFFu};
        return r;
    default:
        return task.results;
    }
}

int LintReport::Errors() const {
    return int(std::count_if(findings.begin(), findings.end(),
                             [](const Finding& f) { return f.severity == Severity::Error; }));
}

int LintReport::Warnings() const { return int(findings.size()) - Errors(); }

int LintReport::ExitCode() const {
    if (Errors() > 0) return 2;
    if (Warnings() > 0) return 1;
    return 0;
}

namespace {

constexpr uint32_t kEnd = 0xFFFFFFFFu;
// The update folder tasks are loaded with: the checker only looks at the
// values Update derives from the keys, never at these joined paths.
constexpr const wchar_t kLintUpdateFolder[] = L"C:\\Package";

// The flag-word tables are Update's own, and so is the rule that cuts a
// list into names: both read a style list alike.
bool InTable(const std::vector<upd::FlagNameEntry>& table, const std::wstring& upper) {
    return upd::FindFlagName(table.data(), upper) != nullptr;
}

uint32_t ParseNames(const std::vector<upd::FlagNameEntry>& table, const std::wstring& list) {
    return upd::ParseFlagNames(table.data(), list);
}

std::wstring Hex(uint32_t v) { return FormatString(L"0x%08X", v); }

// Result values in the graph: small numbers in decimal, the rest in hex.
std::wstring ShortValue(uint32_t v) {
    if (v < 0x10000) return FormatString(L"%u", v);
    return FormatString(L"0x%X", v);
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// A number written as Update reads it in full: "-123", "456", "0x1F".
bool IsCleanNumber(const std::wstring& t) {
    size_t i = 0;
    if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) {
        for (i = 2; i < t.size(); ++i)
            if (!IsHexDigit(t[i])) return false;
        return true;
    }
    if (i < t.size() && t[i] == L'-') ++i;
    if (i == t.size()) return false;
    for (; i < t.size(); ++i)
        if (t[i] < L'0' || t[i] > L'9') return false;
    return true;
}

// A clean number (IsCleanNumber) that holds more than 32 bits: Update keeps
// only the low 32 bits of it ("4294967297" reads as 1), so it never means
// what it says. Decimals run from -2147483648 to 4294967295, hexadecimals
// to 0xFFFFFFFF (leading zeros do not count).
bool IsBeyond32Bits(const std::wstring& t) {
    if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) {
        size_t i = 2;
        while (i < t.size() && t[i] == L'0') ++i;
        return t.size() - i > 8;
    }
    bool negative = !t.empty() && t[0] == L'-';
    uint64_t acc = 0;
    for (size_t i = negative ? 1 : 0; i < t.size(); ++i) {
        acc = acc * 10 + uint64_t(t[i] - L'0');
        if (acc > 0xFFFFFFFFull) return true;
    }
    return negative ? acc > 0x80000000ull : false;
}

// "TASK_12" -> 12, "TASK_-2" -> 0xFFFFFFFE: Update names a task's section
// with "TASK_%d", the number as a signed decimal, so a number above
// 2147483647 (a Goto of -2, a RET_ value of 0xFFFFFFFE, a count that wraps)
// names a negative section. Names Update never forms give nothing.
std::optional<uint32_t> TaskNumberOf(const std::wstring& name, bool* looksLikeTask) {
    *looksLikeTask = name.size() >= 5 && PrefixEqualsNoCaseAscii(name.c_str(), L"TASK_", 5);
    if (!*looksLikeTask) return std::nullopt;
    std::wstring digits = name.substr(5);
    bool negative = !digits.empty() && digits[0] == L'-';
    if (negative) digits.erase(0, 1);
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    for (wchar_t c : digits)
        if (c < L'0' || c > L'9') return std::nullopt;
    if (digits[0] == L'0' && (digits.size() > 1 || negative)) return std::nullopt;
    uint64_t v = std::stoull(ToUtf8(digits));
    if (v > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
    return negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
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

// "RET_0x0000ABCD" -> 0xABCD (hex digits in any case: the profile reader
// ignores case in key names); nothing for other spellings.
std::optional<uint32_t> RetKeyResult(const std::wstring& key) {
    if (key.size() != 14 || !PrefixEqualsNoCaseAscii(key.c_str(), L"RET_0X", 6)) return std::nullopt;
    uint32_t v = 0;
    for (size_t i = 6; i < 14; ++i) {
        wchar_t c = key[i];
        if (!IsHexDigit(c)) return std::nullopt;
        int d = c <= L'9' ? c - L'0' : (ToUpperAscii(c) - L'A' + 10);
        v = v * 16 + uint32_t(d);
    }
    return v;
}

// "TD_Button3_ID" -> {Button, 3, true}.
struct IndexedKey {
    bool radio = false;
    uint32_t index = 0;
    bool id = false;
};
std::optional<IndexedKey> ParseIndexedKey(const std::wstring& key) {
    IndexedKey k;
    size_t pos = 0;
    if (key.size() > 9 && PrefixEqualsNoCaseAscii(key.c_str(), L"TD_Button", 9)) {
        pos = 9;
    } else if (key.size() > 8 && PrefixEqualsNoCaseAscii(key.c_str(), L"TD_Radio", 8)) {
        pos = 8;
        k.radio = true;
    } else {
        return std::nullopt;
    }
    size_t start = pos;
    uint64_t v = 0;
    while (pos < key.size() && key[pos] >= L'0' && key[pos] <= L'9' && pos - start < 10)
        v = v * 10 + uint64_t(key[pos++] - L'0');
    if (pos == start || (pos - start > 1 && key[start] == L'0') || v > 0x7FFFFFFFull) return std::nullopt;
    std::wstring rest = key.substr(pos);
    if (EqualsNoCaseAscii(rest, L"_ID")) {
        k.id = true;
    } else if (!EqualsNoCaseAscii(rest, L"_Text")) {
        return std::nullopt;
    }
    k.index = uint32_t(v);
    return k;
}

size_t EditDistance(const std::wstring& a, const std::wstring& b) {
    std::vector<size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t sub = prev[j - 1] + (ToUpperAscii(a[i - 1]) == ToUpperAscii(b[j - 1]) ? 0 : 1);
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, sub});
        }
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

const wchar_t* TypeName(uint32_t type) {
    static const wchar_t* const names[] = {
        L"run program", L"message box",    L"shutdown",           L"restart",
        L"open URL",    L"WOW64 test",     L"base board check",   L"disk model check",
        L"disk firmware check", L"go to",  L"task dialog",        L"return value",
        L"parameter test", L"remove own folder"};
    return type < 14 ? names[type] : L"not loadable";
}

// What a message box can answer, from the button group of its style.
std::set<uint32_t> MessageBoxButtons(uint32_t style) {
    switch (style & 0xF) {
    case 0: return {1};
    case 1: return {1, 2};
    case 2: return {3, 4, 5};
    case 3: return {6, 7, 2};
    case 4: return {6, 7};
    case 5: return {4, 2};
    case 6: return {2, 10, 11};
    default: return {1, 2, 3, 4, 5, 6, 7, 10, 11};
    }
}

std::wstring LastPathPart(const std::wstring& path) {
    size_t p = path.find_last_of(L"\\/");
    return p == std::wstring::npos ? path : path.substr(p + 1);
}

std::wstring Shorten(std::wstring text, size_t max) {
    text = ReplaceAll(text, L"\\n", L" ");
    if (text.size() > max) text = text.substr(0, max - 3) + L"...";
    return text;
}

// The entry a relative Windows path names under `folder`, letter case
// ignored, in `found`; false when there is none. With `foldersOnly` every
// part must name a folder.
bool FindInFolder(const std::filesystem::path& folder, const std::wstring& relative, bool foldersOnly,
                  std::filesystem::path& found) {
    std::filesystem::path cur = folder;
    std::error_code ec;
    size_t pos = 0;
    while (pos <= relative.size()) {
        size_t next = relative.find_first_of(L"\\/", pos);
        std::wstring part = relative.substr(pos, next == std::wstring::npos ? std::wstring::npos : next - pos);
        pos = next == std::wstring::npos ? relative.size() + 1 : next + 1;
        if (part.empty() || part == L".") continue;
        if (part == L"..") {
            cur = cur.parent_path();
            continue;
        }
        bool hit = false;
        for (std::filesystem::directory_iterator it(cur, ec), end; !ec && it != end; it.increment(ec)) {
            if (EqualsNoCaseAscii(PathToWide(it->path().filename()), part) && (!foldersOnly || it->is_directory(ec))) {
                cur = it->path();
                hit = true;
                break;
            }
        }
        if (!hit) return false;
    }
    found = cur;
    return std::filesystem::exists(cur, ec);
}

// Whether a relative Windows path names a file or folder under `folder`.
// Windows starts "tools\x" as "tools\x.exe".
bool ExistsInFolder(const std::filesystem::path& folder, const std::wstring& relative) {
    std::filesystem::path found;
    if (FindInFolder(folder, relative, false, found)) return true;
    size_t last = relative.find_last_of(L"\\/");
    std::wstring name = last == std::wstring::npos ? relative : relative.substr(last + 1);
    return !name.empty() && name.find(L'.') == std::wstring::npos &&
           FindInFolder(folder, relative + L".exe", false, found);
}

// GetExitCodeProcess answers STILL_ACTIVE for a process that has not ended.
constexpr uint32_t kStillActive = 259;

// What Update's own exit codes tell, for a return value that repeats one.
const wchar_t* UpdateExitCodeMeaning(uint32_t code) {
    switch (code) {
    case upd::kExitIniNotFound: return L"when config.ini is not found";
    case upd::kExitIniFalsified: return L"when config.ini fails its integrity check";
    case upd::kExitAlreadyRunning: return L"when another Update is running";
    case upd::kExitMutexFailed: return L"when its single-instance mutex cannot be created";
    case upd::kExitNotAdmin: return L"when it is not run by an administrator";
    case upd::kExitNoWindow: return L"when its hidden window cannot be created";
    case upd::kExitComFailed: return L"when COM cannot be initialised";
    case upd::kExitLoadFailed: return L"when a task section cannot be loaded";
    case upd::kExitNotTrusted: return L"when a program to start is not trusted";
    case upd::kExitNobodyToAnswer: return L"when nobody can answer a message box or task dialog";
    default: return nullptr;
    }
}

class Linter {
public:
    Linter(const IniDocument& doc, CGlobalIniMgr& mgr, bool sealed, const LintOptions& options,
           LintReport& report, std::set<int> bareLines)
        : m_doc(doc), m_mgr(mgr), m_sealed(sealed), m_options(options), m_report(report),
          m_bareLines(std::move(bareLines)) {}

    void Run() {
        CheckSections();
        for (auto& [number, task] : m_report.tasks) LoadTask(task);
        BuildFlow();
        CheckReachability();
        CheckTools();
        CheckRestartEndings();
        CheckStartFailureBranches();
        CheckCounterLoops();
        std::stable_sort(m_report.findings.begin(), m_report.findings.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
    }

private:
    void Add(Severity s, const std::wstring& section, const std::wstring& key, int line, std::wstring msg,
             RunScope run = RunScope::File) {
        m_report.findings.push_back({s, section, key, line, RunPrefix(run) + msg, run});
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
    std::wstring String(const std::wstring& section, const std::wstring& key, const std::wstring& def = L"") {
        return m_mgr.GetString(section, key, def);
    }

    // --- sections and plain keys ------------------------------------------

    void CheckSections() {
        std::set<std::wstring> seen;
        for (const IniSection& s : m_doc.sections) {
            std::wstring upper = ToUpperAscii(s.name);
            if (!seen.insert(upper).second) {
                Warn(s.name, L"", s.line, L"section appears twice; Update reads only the first one");
                continue;
            }
            CheckDuplicateKeys(s);
            if (s.entries.empty() && upper.rfind(L"TASK_", 0) != 0) continue;
            CheckSealedValues(s);
            bool looksLikeTask = false;
            std::optional<uint32_t> n = TaskNumberOf(s.name, &looksLikeTask);
            if (n) {
                TaskInfo t;
                t.number = *n;
                t.section = s.name;
                t.line = s.line;
                m_report.tasks[*n] = t;
            } else if (looksLikeTask) {
                Warn(s.name, L"", s.line,
                     L"Update never reads this section: task sections are named TASK_ and the task number "
                     L"as a signed decimal without leading zeros");
            } else if (upper == L"CONFIG") {
                CheckGlobalKeys(s, {L"REQSYS", L"REQDISP"});
                CheckOnOff(s, L"REQSYS", L"OFF", L"no system power request is made");
                CheckOnOff(s, L"REQDISP", L"OFF", L"no display power request is made");
            } else if (upper == L"CERT") {
                CheckGlobalKeys(s, {L"VERIFY"});
                CheckOnOff(s, L"VERIFY", L"ON", L"every program is still checked for its signature");
            } else if (upper == L"MSG") {
                CheckGlobalKeys(s, {L"IDS_STR_TITLE", L"IDS_STR_NOTADMIN", L"IDS_STR_CERTIFICATION"});
            } else {
                Warn(s.name, L"", s.line, L"Update does not read this section");
            }
        }
    }

    void CheckDuplicateKeys(const IniSection& s) {
        std::set<std::wstring> keys;
        for (const IniEntry& e : s.entries)
            if (!keys.insert(ToUpperAscii(e.key)).second)
                Warn(s.name, e.key, e.line, L"key appears twice in the section; Update reads only the first one");
    }

    // In a sealed file every value is encoded; one that does not decode
    // reads as the key's default.
    bool CheckSealedValues(const IniSection& s) {
        if (!m_sealed) return false;
        bool bad = false;
        for (const IniEntry& e : s.entries) {
            std::wstring v;
            if (!e.value.empty() && !DecodeSealedValue(e.value, v)) {
                Warn(s.name, e.key, e.line, L"the sealed value does not decode; Update reads the key's default");
                bad = true;
            }
        }
        return bad;
    }

    void CheckGlobalKeys(const IniSection& s, std::initializer_list<const wchar_t*> known) {
        for (const IniEntry& e : s.entries) {
            bool ok = false;
            for (const wchar_t* k : known) ok = ok || EqualsNoCaseAscii(e.key, k);
            if (ok || m_bareLines.count(e.line)) continue;
            std::wstring msg = L"unknown key: Update does not read it";
            for (const wchar_t* k : known)
                if (EditDistance(e.key, k) <= 2) msg += FormatString(L" (did you mean %ls?)", k);
            Warn(s.name, e.key, e.line, msg);
        }
    }

    void CheckOnOff(const IniSection& s, const wchar_t* key, const wchar_t* readsAs, const wchar_t* effect) {
        const IniEntry* e = s.Find(key);
        if (!e) return;
        std::wstring v = String(s.name, key);
        if (v.empty() || SettingIs(v, L"ON") || SettingIs(v, L"OFF")) return;
        Warn(s.name, e->key, e->line,
             FormatString(L"'%ls' reads as %ls: only ON and OFF are words here, so %ls", v.c_str(), readsAs, effect));
    }

    // --- one task ----------------------------------------------------------

    void LoadTask(TaskInfo& t) {
        const std::wstring& sec = t.section;
        const IniSection* s = m_doc.Find(sec);
        const IniEntry* typeEntry = s->Find(L"Type");
        std::wstring typeText = typeEntry ? String(sec, L"Type") : std::wstring();
        // Update's own task record reads the section.
        upd::TaskRecord task;
        if (!upd::LoadTaskRecord(m_mgr, t.number, kLintUpdateFolder, false, m_environment, task)) {
            if (typeEntry == nullptr || typeText.empty())
                Error(sec, L"Type", typeEntry ? typeEntry->line : t.line,
                      L"Type is missing: the task does not load and a run that reaches it ends with exit code 9");
            else
                Error(sec, L"Type", typeEntry->line,
                      FormatString(L"Type %d is not a task type (0 to 13): the task does not load and a run "
                                   L"that reaches it ends with exit code 9",
                                   int(m_mgr.GetInt(sec, L"Type", 0))));
            return;
        }
        if (!IsCleanNumber(typeText))
            Warn(sec, L"Type", typeEntry->line,
                 FormatString(L"'%ls' is not a number: Update reads it as %d", typeText.c_str(), int(task.Type)));
        else if (IsBeyond32Bits(typeText))
            Warn(sec, L"Type", typeEntry->line,
                 FormatString(L"'%ls' does not fit in 32 bits: Update reads it as %d", typeText.c_str(),
                              int(task.Type)));
        t.loads = true;
        t.type = task.Type;
        const upd::TaskRecord& loaded = m_tasks[t.number] = std::move(task);
        t.waitExit = loaded.WaitExit != 0;
        CheckTaskKeys(t, *s);
        // What each run can give: the run shown to a person gets the buttons
        // pressed, the silent run the fixed answers.
        t.interactive.results = ResultsOf(t, loaded);
        t.results = t.interactive.results;
        t.silent.results = SilentResults(t);
        if (t.type == kTaskParameterTest) ParameterTestResults(t, loaded);
        t.results.values.insert(t.silent.results.values.begin(), t.silent.results.values.end());
        t.label = LabelOf(t);
    }

    void CheckTaskKeys(TaskInfo& t, const IniSection& s) {
        const std::wstring& sec = t.section;
        uint32_t buttons = uint32_t(m_mgr.GetInt(sec, L"TD_cButtons", 0));
        uint32_t radios = uint32_t(m_mgr.GetInt(sec, L"TD_cRadioButtons", 0));
        for (const IniEntry& e : s.entries) {
            std::wstring value = String(sec, e.key);
            if (RetKeyResult(e.key)) {
                CheckNumber(sec, e, value);
                if (t.type == kTaskGoto)
                    Warn(sec, e.key, e.line, L"a go-to task ignores RET_ keys: it always continues with Goto");
                else if (t.type == kTaskReturnValue)
                    Warn(sec, e.key, e.line, L"a return-value task ends the run: its RET_ keys are never read");
                continue;
            }
            if (std::optional<IndexedKey> ik = ParseIndexedKey(e.key)) {
                uint32_t count = ik->radio ? radios : buttons;
                const wchar_t* countKey = ik->radio ? L"TD_cRadioButtons" : L"TD_cButtons";
                if (t.type != kTaskTaskDialog)
                    Warn(sec, e.key, e.line,
                         FormatString(L"a task of type %u (%ls) does not use this key", t.type, TypeName(t.type)));
                else if (ik->index >= count)
                    Warn(sec, e.key, e.line,
                         FormatString(L"not read: %ls is %u, so only indexes below it are read", countKey, count));
                if (ik->id) CheckNumber(sec, e, value);
                continue;
            }
            const TaskKey* k = FindTaskKey(e.key);
            if (k == nullptr && m_bareLines.count(e.line)) continue;
            if (k == nullptr) {
                std::wstring msg = L"unknown key: Update does not read it";
                std::wstring best;
                size_t bestDistance = 3;
                for (const TaskKey& cand : TaskKeys()) {
                    size_t d = EditDistance(e.key, cand.name);
                    if (d < bestDistance) {
                        bestDistance = d;
                        best = cand.name;
                    }
                }
                if (e.key.size() >= 4 && PrefixEqualsNoCaseAscii(e.key.c_str(), L"RET_", 4))
                    msg += L" (branch keys are RET_0x and 8 hexadecimal digits, as in RET_0x00000001)";
                else if (!best.empty())
                    msg += FormatString(L" (did you mean %ls?)", best.c_str());
                Warn(sec, e.key, e.line, msg);
                continue;
            }
            if (EqualsNoCaseAscii(k->name, L"Type")) continue;  // checked while loading
            if (!TaskKeyUsedBy(*k, t.type)) {
                Warn(sec, e.key, e.line, FormatString(L"a task of type %u (%ls) does not use %ls", t.type, TypeName(t.type), k->name));
                continue;
            }
            CheckValue(t, *k, e, value);
        }
        if (t.type == kTaskRunProgram) CheckProgramTask(t);
        if (t.type == kTaskTaskDialog) {
            CheckCount(sec, L"TD_cButtons", buttons);
            CheckCount(sec, L"TD_cRadioButtons", radios);
            CheckDefaults(t, m_tasks.at(t.number));
        }
        if (t.type == kTaskReturnValue) CheckReturnValue(t, m_tasks.at(t.number));
        if (t.type == kTaskShutdown) {
            std::wstring data = String(sec, L"Data");
            if (!data.empty() && !SettingIs(data, L"HYBRID_SHUTDOWN"))
                Warn(sec, L"Data", LineOf(sec, L"Data"),
                     FormatString(L"'%ls' reads as a plain shutdown: only HYBRID_SHUTDOWN asks for a hybrid one",
                                  data.c_str()));
        }
    }

    // A default button or radio button that no button of the dialog has.
    void CheckDefaults(const TaskInfo& t, const upd::TaskRecord& task) {
        const std::wstring& sec = t.section;
        if (task.TD_DefaultButton != 0) {
            std::set<int32_t> ids(task.ButtonIds.begin(), task.ButtonIds.end());
            for (int32_t id : CommonButtonIds(ParseNames(upd::CommonButtonNames(), task.TD_CommonButtons)))
                ids.insert(id);
            if (ids.empty()) ids.insert(1);  // the dialog shows OK
            if (!ids.count(task.TD_DefaultButton))
                Warn(sec, L"TD_DefaultButton", LineOf(sec, L"TD_DefaultButton"),
                     FormatString(L"no button of the dialog has the id %d: the first button is the default",
                                  int(task.TD_DefaultButton)));
        }
        if (task.TD_DefaultRadioButton != 0 && !task.RadioIds.empty()) {
            std::set<int32_t> ids(task.RadioIds.begin(), task.RadioIds.end());
            if (!ids.count(task.TD_DefaultRadioButton))
                Warn(sec, L"TD_DefaultRadioButton", LineOf(sec, L"TD_DefaultRadioButton"),
                     FormatString(L"no radio button of the dialog has the id %d: the first radio button is "
                                  L"selected",
                                  int(task.TD_DefaultRadioButton)));
        }
    }

    // A return value that is no number ends the run with 0: a failure would
    // be reported as success.
    void CheckReturnValue(const TaskInfo& t, const upd::TaskRecord& task) {
        const std::wstring& sec = t.section;
        std::wstring data = String(sec, L"Data");
        if (data.empty()) return;
        if (IsCleanNumber(data)) {
            uint32_t code = upd::ReturnDataValue(task);
            if (IsBeyond32Bits(data))
                Warn(sec, L"Data", LineOf(sec, L"Data"),
                     FormatString(L"'%ls' does not fit in 32 bits: the run ends with exit code %d", data.c_str(),
                                  int(code)));
            else if (const wchar_t* meaning = UpdateExitCodeMeaning(code))
                Warn(sec, L"Data", LineOf(sec, L"Data"),
                     FormatString(L"the run ends with exit code %u, which Update also gives %ls: a deployment "
                                  L"system cannot tell the package's answer from Update's own failure; use a code "
                                  L"of the package's own",
                                  unsigned(code), meaning));
            else if (code == kStillActive)
                Warn(sec, L"Data", LineOf(sec, L"Data"),
                     L"the run ends with exit code 259 (STILL_ACTIVE): a caller reads it as \"still running\", the "
                     L"code Windows gives for a process that has not ended, not as the package's answer; use "
                     L"another code");
            return;
        }
        Warn(sec, L"Data", LineOf(sec, L"Data"),
             FormatString(L"'%ls' is not a number: the run ends with exit code %d", data.c_str(),
                          int(upd::ReturnDataValue(task))));
    }

    void CheckCount(const std::wstring& sec, const wchar_t* key, uint32_t count) {
        if (count > kMaxDialogEntries)
            Warn(sec, key, LineOf(sec, key),
                 FormatString(L"%u is more than a task dialog takes (%u): Update reads no entries at all", count,
                              kMaxDialogEntries));
    }

    void CheckNumber(const std::wstring& sec, const IniEntry& e, const std::wstring& value) {
        if (value.empty()) return;
        if (IsCleanNumber(value)) {
            if (IsBeyond32Bits(value))
                Warn(sec, e.key, e.line,
                     FormatString(L"'%ls' does not fit in 32 bits: Update reads it as %d", value.c_str(),
                                  int(ParseConfigNumber(value, 0))));
            return;
        }
        Warn(sec, e.key, e.line,
             FormatString(L"'%ls' is not a number: Update reads it as %d", value.c_str(),
                          int(ParseConfigNumber(value, 0))));
    }

    void CheckNames(const std::wstring& sec, const IniEntry& e, const std::wstring& value,
                    bool (*known)(const std::wstring&), const wchar_t* what) {
        for (const std::wstring& n : upd::SplitFlagNames(value))
            if (!n.empty() && !known(n))
                Warn(sec, e.key, e.line, FormatString(L"%ls is not a %ls name: it adds nothing", n.c_str(), what));
    }

    // Names of one group of message box styles (the buttons, the icon, the
    // default button, the modality) OR into a value neither of them means.
    void CheckStyleGroups(const std::wstring& sec, const IniEntry& e, const std::wstring& value) {
        static const std::pair<uint32_t, const wchar_t*> groups[] = {
            {0xF, L"buttons"}, {0xF0, L"icon"}, {0xF00, L"default button"}, {0x3000, L"modality"}};
        const auto& table = upd::MessageBoxFlagNames();
        for (const auto& [mask, what] : groups) {
            std::vector<std::wstring> names;
            std::set<uint32_t> values;
            for (const std::wstring& n : upd::SplitFlagNames(value)) {
                for (const auto& row : table) {
                    if (row.name[0] == L'\0') break;
                    if (n != row.name || (row.value & mask) == 0) continue;
                    if (values.insert(row.value & mask).second) names.push_back(n);
                }
            }
            if (values.size() < 2) continue;
            uint32_t combined = 0;
            for (uint32_t v : values) combined |= v;
            std::wstring list;
            for (size_t i = 0; i < names.size(); ++i) list += (i ? L" and " : L"") + names[i];
            Warn(sec, e.key, e.line,
                 FormatString(L"%ls each choose the %ls: together they read as 0x%X, which is neither", list.c_str(),
                              what, unsigned(combined)));
        }
    }

    void CheckValue(TaskInfo& t, const TaskKey& k, const IniEntry& e, const std::wstring& value) {
        const std::wstring& sec = t.section;
        if (k.kind == TaskKeyKind::Number) {
            CheckNumber(sec, e, value);
            int32_t n = ParseConfigNumber(value, 0);
            if (value.empty() || n >= 0) return;
            // Numbers that Update takes as unsigned: a negative one is huge.
            if (EqualsNoCaseAscii(k.name, L"AfterWait"))
                Warn(sec, e.key, e.line,
                     FormatString(L"a negative AfterWait reads as a pause of %u milliseconds (%.1f days; a Windows "
                                  L"timer waits at most 24.8 days): the run stalls there",
                                  unsigned(uint32_t(n)), double(uint32_t(n)) / 86400000.0));
            else if (EqualsNoCaseAscii(k.name, L"TD_Width"))
                Warn(sec, e.key, e.line,
                     FormatString(L"a negative TD_Width (%d) is not used: Update lets the task dialog choose its "
                                  L"own width, as with 0",
                                  int(n)));
            return;
        }
        if (k.kind == TaskKeyKind::Flag) {
            if (value.empty() || SettingIs(value, L"TRUE") || SettingIs(value, L"FALSE")) return;
            bool waitExit = EqualsNoCaseAscii(k.name, L"WaitExit");
            Warn(sec, e.key, e.line,
                 waitExit ? FormatString(L"'%ls' reads as FALSE: only TRUE makes Update wait", value.c_str())
                          : FormatString(L"'%ls' reads as TRUE: only FALSE turns the signature check off",
                                         value.c_str()));
            return;
        }
        std::wstring name = k.name;
        if (name == L"Method") {
            if (!value.empty() && !SettingIs(value, L"SHELLEXECUTEEX"))
                Warn(sec, e.key, e.line,
                     FormatString(L"'%ls' reads as process creation: only SHELLEXECUTEEX selects the shell",
                                  value.c_str()));
        } else if (name == L"MsgType") {
            CheckNames(sec, e, value, IsMessageBoxStyleName, L"message box style");
            CheckStyleGroups(sec, e, value);
        } else if (name == L"TD_Flags") {
            CheckNames(sec, e, value, IsTaskDialogFlagName, L"task dialog flag");
        } else if (name == L"TD_CommonButtons") {
            CheckNames(sec, e, value, IsCommonButtonName, L"common button");
        } else if (name == L"TD_pszMainIcon" || name == L"TD_pszFooterIcon") {
            if (!value.empty() && !IsTaskDialogIconName(value))
                Warn(sec, e.key, e.line,
                     FormatString(L"%ls is not an icon name (TD_ERROR_ICON, TD_WARNING_ICON, "
                                  L"TD_INFORMATION_ICON, TD_SHIELD_ICON): no icon is shown",
                                  value.c_str()));
        } else if (name == L"Distinct") {
            bool ok = value.size() == 64 && std::all_of(value.begin(), value.end(), IsHexDigit);
            if (!ok && !value.empty())
                Warn(sec, e.key, e.line,
                     L"Distinct must be the SHA-256 as 64 hexadecimal digits, nothing else: this value never "
                     L"matches and the task fails its trust check");
        }
    }

    void CheckProgramTask(TaskInfo& t) {
        const std::wstring& sec = t.section;
        std::wstring path = String(sec, L"Path");
        int line = LineOf(sec, L"Path");
        if (path.empty()) {
            Warn(sec, L"Path", line ? line : t.line, L"a run-program task without Path starts nothing");
        } else if (path.find(L"%UPDATEDIR%") != std::wstring::npos) {
            Warn(sec, L"Path", line,
                 L"Path does not replace %UPDATEDIR%; a path without a drive is already taken relative to "
                 L"the package folder");
        } else if (!m_options.packageFolder.empty() && path.find(L':') == std::wstring::npos &&
                   path.find(L'%') == std::wstring::npos && !ExistsInFolder(m_options.packageFolder, path)) {
            Warn(sec, L"Path", line, FormatString(L"%ls is missing from the package folder", path.c_str()));
        }
        bool hasDistinct = !String(sec, L"Distinct").empty();
        bool hasCalc = !String(sec, L"CalcFile").empty();
        if (hasDistinct != hasCalc) {
            const wchar_t* key = hasDistinct ? L"Distinct" : L"CalcFile";
            Warn(sec, key, LineOf(sec, key), L"Distinct and CalcFile work only together: no hash is checked");
        }
    }

    // --- the tool set's own programs -----------------------------------------

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
            bool orderMatters = NextTask(task, 1) != NextTask(task, 0xFFFFFFFFu);
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
                std::filesystem::path sub;
                if (!FindInFolder(m_options.packageFolder, path.substr(0, slash), true, sub)) continue;
                folder = sub;
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

    // --- results and edges -------------------------------------------------

    uint32_t NextTask(const upd::TaskRecord& task, uint32_t result) { return upd::NextTaskNumber(m_mgr, task, result); }

    // The results Update gives for the answers the task's action can give.
    ResultSet ResultsOf(const TaskInfo& t, const upd::TaskRecord& task) {
        ResultSet answers;
        switch (t.type) {
        case kTaskRunProgram:
            if (task.WaitExit)
                answers.any = true;  // the exit code
            else
                answers.values = {0, 0xFFFFFFFFu};  // started, or not
            break;
        case kTaskMessageBox:
            answers.values = MessageBoxButtons(ParseNames(upd::MessageBoxFlagNames(), task.MsgType));
            answers.failures = {0};
            break;
        case kTaskShutdown:
        case kTaskRestart:
        case kTaskOpenUrl:
        case kTaskRemoveOwnFolder:
            answers.values = {0, 1};  // the result does not depend on it
            break;
        case kTaskWow64Test:
        case kTaskParameterTest:
            answers.values = {0, 1};
            break;
        case kTaskDiskModelCheck:
        case kTaskDiskFirmwareCheck:
            answers.values = {0, 1, 0xFFFFFFFFu};  // the comparison
            break;
        case kTaskBaseBoardCheck: {
            uint32_t entries = BaseBoardEntryCount(task.Data);
            for (uint32_t i = 0; i < entries && i < 4096; ++i) answers.values.insert(i);
            if (entries >= 4096) answers.any = true;
            answers.values.insert(0xFFFFFFFFu);
            break;
        }
        case kTaskTaskDialog:
            answers = TaskDialogResults(task);
            break;
        default:
            return ResultSet();
        }
        ResultSet r;
        r.any = answers.any;
        for (uint32_t a : answers.values) r.values.insert(upd::TaskResult(task, a));
        for (uint32_t a : answers.failures) r.failures.insert(upd::TaskResult(task, a));
        return r;
    }

    // The parameter test without Data always gives 1. Update /s finds its
    // own "/s" (the test ignores letter case): 0. A run shown to a person
    // was started without "/s" and found none stored at start-up (else it
    // would be silent): 1. Other arguments may come from the starter's
    // owner file, so both answers stay possible.
    void ParameterTestResults(TaskInfo& t, const upd::TaskRecord& task) {
        if (task.Data.empty()) {
            t.interactive.results.values = t.silent.results.values = {1};
        } else if (EqualsNoCaseAscii(task.Data, L"/s")) {
            t.interactive.results.values = {1};
            t.silent.results.values = {0};
        } else {
            return;
        }
        t.results.values = t.interactive.results.values;
        t.results.values.insert(t.silent.results.values.begin(), t.silent.results.values.end());
    }

    ResultSet TaskDialogResults(const upd::TaskRecord& task) {
        ResultSet r;
        const std::vector<upd::FlagNameEntry> flagNames = upd::TaskDialogFlagNames();
        const std::vector<upd::FlagNameEntry> buttonNames = upd::CommonButtonNames();
        uint32_t flags = ParseNames(flagNames, task.TD_Flags);
        uint32_t common = ParseNames(buttonNames, task.TD_CommonButtons);
        std::set<uint32_t> buttons, radios;
        std::set<bool> checks{false};
        for (int32_t id : CommonButtonIds(common)) buttons.insert(uint32_t(id));
        for (int32_t id : task.ButtonIds) buttons.insert(uint32_t(id));
        if (buttons.empty()) buttons.insert(1);  // the dialog shows OK
        // Closing the dialog answers IDCANCEL.
        if ((flags & FlagValue(flagNames, L"TDF_ALLOW_DIALOG_CANCELLATION")) ||
            (common & FlagValue(buttonNames, L"TDCBF_CANCEL_BUTTON")))
            buttons.insert(2);
        for (int32_t id : task.RadioIds) radios.insert(uint32_t(id));
        if (radios.empty() || (flags & FlagValue(flagNames, L"TDF_NO_DEFAULT_RADIO_BUTTON"))) radios.insert(0);
        if (!task.TD_VerificationText.empty()) checks.insert(true);
        for (uint32_t rad : radios)
            for (uint32_t b : buttons)
                for (bool checked : checks)
                    r.values.insert(upd::PackTaskDialogResult(int32_t(b), int32_t(rad), checked));
        r.failures = {0xFFFFFFFFu};
        return r;
    }

    std::wstring LabelOf(const TaskInfo& t) {
        const std::wstring& sec = t.section;
        switch (t.type) {
        case kTaskRunProgram: {
            std::wstring p = LastPathPart(String(sec, L"Path"));
            std::wstring param = String(sec, L"Param");
            if (!param.empty()) p += L" " + param;
            return Shorten(p, 40);
        }
        case kTaskMessageBox: {
            std::wstring text = String(sec, L"MsgText");
            return Shorten(text.empty() ? String(sec, L"MsgTitle") : text, 40);
        }
        case kTaskTaskDialog: {
            std::wstring text = String(sec, L"TD_MainInstruction");
            return Shorten(text.empty() ? String(sec, L"MsgTitle") : text, 40);
        }
        case kTaskOpenUrl: return Shorten(String(sec, L"URL"), 40);
        case kTaskShutdown:
        case kTaskBaseBoardCheck:
        case kTaskDiskModelCheck:
        case kTaskDiskFirmwareCheck:
        case kTaskParameterTest:
        case kTaskReturnValue: return Shorten(String(sec, L"Data"), 40);
        default: return std::wstring();
        }
    }

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
                      FormatString(L"TASK_%d does not exist: a run that goes there ends with exit code 9",
                                   int(e.target)));
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

    static bool Follows(const Edge& e) {
        return e.kind == Edge::Kind::Branch || e.kind == Edge::Kind::Goto || e.kind == Edge::Kind::FallThrough;
    }

    static std::vector<uint32_t> Successors(const std::vector<Edge>& edges) {
        std::vector<uint32_t> out;
        for (const Edge& e : edges)
            if (Follows(e)) out.push_back(e.target);
        return out;
    }

    // A task that ends the run from where it stands (or fails to load).
    bool EndsHere(uint32_t n, RunFlow TaskInfo::*flow) const {
        auto it = m_report.tasks.find(n);
        if (it == m_report.tasks.end() || !it->second.loads) return true;
        for (const Edge& e : (it->second.*flow).edges)
            if (e.kind == Edge::Kind::End || e.kind == Edge::Kind::ReturnValue || e.kind == Edge::Kind::SessionEnd)
                return true;
        return false;
    }

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
        std::set<uint32_t> reachable;
        std::set<FallOff> falls;
        std::set<std::vector<uint32_t>> loops;  // stuck tasks that reach each other
    };

    RunPaths FollowRun(RunFlow TaskInfo::*flow) {
        RunPaths run;
        uint32_t first = m_options.firstTask;
        std::deque<uint32_t> queue{first};
        run.reachable.insert(first);
        while (!queue.empty()) {
            uint32_t n = queue.front();
            queue.pop_front();
            auto it = m_report.tasks.find(n);
            if (it == m_report.tasks.end()) continue;
            TaskInfo& t = it->second;
            (t.*flow).reachable = true;
            for (const Edge& e : (t.*flow).edges) {
                if (!Follows(e)) continue;
                if (!m_report.tasks.count(e.target)) {
                    m_report.missingTargets.insert(e.target);
                    if (e.kind == Edge::Kind::FallThrough) run.falls.insert({n, e.target, DescribeResults(e)});
                }
                if (run.reachable.insert(e.target).second) queue.push_back(e.target);
            }
        }
        // Tasks from which some ending can be reached.
        std::set<uint32_t> canEnd;
        bool grew = true;
        while (grew) {
            grew = false;
            for (auto& [n, t] : m_report.tasks) {
                if (!(t.*flow).reachable || canEnd.count(n)) continue;
                bool ends = EndsHere(n, flow);
                for (uint32_t s : Successors((t.*flow).edges))
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
            std::set<uint32_t> from = ReachFrom(n, flow);
            if (!from.count(n)) continue;  // leads into a loop, is not part of one
            std::vector<uint32_t> loop;
            for (uint32_t m : from)
                if (ReachFrom(m, flow).count(n)) loop.push_back(m);
            for (uint32_t m : loop) done.insert(m);
            run.loops.insert(loop);
        }
        return run;
    }

    // Where a finding of one or both runs goes: once, with the runs named.
    static RunScope ScopeOf(bool interactive, bool silent) {
        return interactive && silent ? RunScope::Both : silent ? RunScope::Silent : RunScope::Interactive;
    }

    void CheckReachability() {
        uint32_t first = m_options.firstTask;
        m_report.firstTask = first;
        if (!m_report.tasks.count(first)) {
            Error(L"", L"", 0,
                  FormatString(L"the first task TASK_%d does not exist: the run ends at once with exit code 9",
                               int(first)));
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
                FormatString(L"the run falls off the end of the list here: %ls %ls on with TASK_%d, which does "
                             L"not exist (exit code 9)%ls; end the task with RET_ keys set to -1 or add the next "
                             L"task",
                             f.results.c_str(), f.results.rfind(L"the results ", 0) == 0 ? L"go" : L"goes",
                             int(f.target),
                             sessionEnds && scope != RunScope::Interactive
                                 ? L" - in silent mode Update does not restart or shut down, the deployment system "
                                   L"does"
                                 : L""),
                scope);
        }

        for (auto& [n, t] : m_report.tasks)
            if (!t.reachable)
                Warn(t.section, L"", t.line, FormatString(L"no path from TASK_%d reaches this task", int(first)));

        // A loop the silent run cannot leave never ends unattended: an error.
        // One only a person's answers keep going stays a warning.
        std::set<std::vector<uint32_t>> loops = shown.loops;
        loops.insert(silent.loops.begin(), silent.loops.end());
        for (const std::vector<uint32_t>& loop : loops) {
            bool inSilent = silent.loops.count(loop) > 0;
            RunScope scope = ScopeOf(shown.loops.count(loop) > 0, inSilent);
            std::wstring names;
            for (uint32_t m : loop) names += (names.empty() ? L"" : L", ") + FormatString(L"TASK_%d", int(m));
            const TaskInfo& t = m_report.tasks.at(loop.front());
            Add(inSilent ? Severity::Error : Severity::Warning, t.section, L"", t.line,
                FormatString(L"loop with no way out: %ls repeat for ever, no result leads to an ending%ls",
                             names.c_str(),
                             scope == RunScope::Silent ? L" (boxes and dialogs answer 6, restart and shutdown give "
                                                         L"0xFFFFFFFF)"
                                                       : L""),
                scope);
        }
    }

    // --- exit codes a deployment system reads --------------------------------

    // Where the run goes after the result `r` of a task, as one run's edges
    // tell: the next task, or nothing when the run ends there.
    static std::optional<uint32_t> TargetOf(const std::vector<Edge>& edges, uint32_t r) {
        for (const Edge& e : edges)
            if (!e.otherResults && std::find(e.results.begin(), e.results.end(), r) != e.results.end())
                return e.kind == Edge::Kind::End ? std::nullopt : std::optional<uint32_t>(e.target);
        for (const Edge& e : edges)
            if (e.otherResults || (e.kind == Edge::Kind::FallThrough &&
                                   std::find(e.results.begin(), e.results.end(), r) != e.results.end()))
                return e.kind == Edge::Kind::FallThrough ? std::optional<uint32_t>(e.target) : std::nullopt;
        return std::nullopt;
    }

    enum class Step { Go, Stop, Found };

    // Walks breadth first over the loaded tasks one run reaches from
    // `start`, the start included. `visit(n, task)` answers whether to go on
    // from a task, to go no further along that path, or to end the walk
    // there: the task it ended at, or nothing.
    template <typename Visit>
    std::optional<uint32_t> Walk(uint32_t start, RunFlow TaskInfo::*flow, Visit visit) const {
        std::set<uint32_t> seen{start};
        std::deque<uint32_t> queue{start};
        while (!queue.empty()) {
            uint32_t n = queue.front();
            queue.pop_front();
            auto it = m_report.tasks.find(n);
            if (it == m_report.tasks.end() || !it->second.loads) continue;
            const Step step = visit(n, it->second);
            if (step == Step::Found) return n;
            if (step == Step::Stop) continue;
            for (uint32_t s : Successors((it->second.*flow).edges))
                if (seen.insert(s).second) queue.push_back(s);
        }
        return std::nullopt;
    }

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
        std::optional<uint32_t> at = Walk(from, flow, [&](uint32_t n, const TaskInfo& t) {
            if (n != from && (t.type == kTaskShutdown || t.type == kTaskRestart)) return Step::Stop;
            if ((t.type == kTaskReturnValue && t.returnValue == 0) || endsWithZero(t, flow)) return Step::Found;
            return Step::Go;
        });
        if (!at) return std::nullopt;
        const TaskInfo& t = m_report.tasks.at(*at);
        if (t.type == kTaskReturnValue && t.returnValue == 0) return FormatString(L"TASK_%d returns 0", int(*at));
        const Edge& e = *endsWithZero(t, flow);
        return e.key.empty() || e.otherResults
                   ? FormatString(L"TASK_%d ends the list", int(*at))
                   : FormatString(L"%ls=%ls of TASK_%d ends the list", e.key.c_str(), String(t.section, e.key).c_str(),
                                  int(*at));
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
                FormatString(L"after this %ls the run can end with exit code 0 (%ls): a deployment system reads "
                             L"0 as done with no restart needed, and a silent run does not %ls; end the path with "
                             L"a return-value task of Data=3010 (done, restart required)",
                             restart ? L"restart" : L"shutdown", (shown ? *shown : *silent).c_str(),
                             restart ? L"restart" : L"shut down"),
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
        return Walk(start, flow, [&](uint32_t n, const TaskInfo& t) {
            if (t.type != kTaskRunProgram) return Step::Go;
            if (n == self.number || SameProgram(t, self)) return Step::Stop;
            std::wstring path = String(t.section, L"Path");
            PackageTool tool = ToolOfPath(path);
            return !path.empty() && (tool == PackageTool::None || tool == PackageTool::Unbinder) ? Step::Found
                                                                                                  : Step::Go;
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
                if (RetKeyResult(e.key) == kEnd) {
                    key = &e;
                    break;
                }
            if (key == nullptr) continue;
            uint32_t target = NextTask(m_tasks.at(n), kEnd);
            if (target == kEnd) continue;
            std::optional<uint32_t> shown, silent;
            if (t.interactive.reachable) shown = ProgramStartFrom(t, target, &TaskInfo::interactive);
            if (t.silent.reachable) silent = ProgramStartFrom(t, target, &TaskInfo::silent);
            if (!shown && !silent) continue;
            PackageTool tool = ToolOfPath(String(t.section, L"Path"));
            std::wstring what =
                tool == PackageTool::Romstamp || tool == PackageTool::Ailscan
                    ? FormatString(L"0xFFFFFFFF is %ls's \"sorts before\" and also the result when %ls cannot be "
                                   L"started at all",
                                   ToolName(tool), ToolName(tool))
                    : std::wstring(L"0xFFFFFFFF is also the result when the program cannot be started at all");
            Add(Severity::Warning, t.section, key->key, key->line,
                what + FormatString(L", and this branch leads toward a program start (TASK_%d): a program that did "
                                    L"not start and one that answered 0xFFFFFFFF both take it; lead 0xFFFFFFFF to "
                                    L"an ending, or to a second start of the same program, which answers for "
                                    L"itself",
                                    int(shown ? *shown : *silent)),
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
                    std::optional<uint32_t> next = TargetOf((t.*flow).edges, c);
                    if (!next || (*next != n && !ReachFrom(*next, flow).count(n))) continue;
                    listed += (count++ ? L", " : L"") + Hex(c);
                    if (!via) via = next;
                }
                if (count == 0) return L"";
                return FormatString(
                    L"Tallykeep %ls is in a loop, and its failure result%ls %ls go%ls on around it (%ls): it "
                    L"counted nothing (6: the new count was not stored, 7: the counter file is still there, 8: "
                    L"the counter stayed locked), so the next check still reads the old count and the loop never "
                    L"reaches its limit; lead these results out of the loop",
                    operation.c_str(), count > 1 ? L"s" : L"", listed.c_str(), count > 1 ? L"" : L"es",
                    *via == n ? std::wstring(L"back to this task").c_str()
                              : FormatString(L"with TASK_%d, which leads back here", int(*via)).c_str());
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

    std::wstring DescribeResults(const Edge& e) const {
        std::wstring s;
        if (e.otherResults) return L"every result without a RET_ key";
        s = e.results.size() == 1 ? L"the result " : L"the results ";
        for (size_t i = 0; i < e.results.size() && i < 8; ++i) s += (i ? L", " : L"") + Hex(e.results[i]);
        if (e.results.size() > 8) s += L", ...";
        return s;
    }

    std::set<uint32_t> ReachFrom(uint32_t n, RunFlow TaskInfo::*flow) const {
        std::set<uint32_t> seen;
        std::deque<uint32_t> queue;
        auto it = m_report.tasks.find(n);
        if (it == m_report.tasks.end()) return seen;
        for (uint32_t s : Successors((it->second.*flow).edges))
            if (seen.insert(s).second) queue.push_back(s);
        while (!queue.empty()) {
            uint32_t m = queue.front();
            queue.pop_front();
            auto jt = m_report.tasks.find(m);
            if (jt == m_report.tasks.end()) continue;
            for (uint32_t s : Successors((jt->second.*flow).edges))
                if (seen.insert(s).second) queue.push_back(s);
        }
        return seen;
    }

    const IniDocument& m_doc;
    CGlobalIniMgr& m_mgr;
    bool m_sealed;
    const LintOptions& m_options;
    LintReport& m_report;
    LintEnvironment m_environment;
    std::set<int> m_bareLines;  // lines without "=", already reported
    std::map<uint32_t, upd::TaskRecord> m_tasks;  // the tasks that load
};

}  // namespace

std::filesystem::path WideToPath(const std::wstring& text) {
#ifdef _WIN32
    return std::filesystem::path(text);
#else
    return std::filesystem::path(ToUtf8(text));
#endif
}

std::wstring PathToWide(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return FromUtf8(path.string());
#endif
}

bool IsMessageBoxStyleName(const std::wstring& n) { return InTable(upd::MessageBoxFlagNames(), n); }
bool IsTaskDialogFlagName(const std::wstring& n) { return InTable(upd::TaskDialogFlagNames(), n); }
bool IsCommonButtonName(const std::wstring& n) { return InTable(upd::CommonButtonNames(), n); }
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
             bytes.size() < 8 ? L"the file is shorter than 8 bytes: Update reports it as falsified (exit code 3)"
                              : L"the file fails its integrity check (its CRC-32 trailer does not match): "
                                L"Update stops with exit code 3"});
        return report;
    }
    std::vector<IniOddLine> odd;
    IniDocument doc = ParseIni(DecodeFileText(bytes), &odd);
    ReportOddLines(odd, report.findings);
    IniDocumentSource source(doc);
    CGlobalIniMgr mgr(source);
    mgr.SetLoaded(L"config.ini", IntegrityResult{integrity.valid, integrity.encoded});
    std::set<int> bareLines;
    for (const IniOddLine& o : odd)
        if (o.kind == IniOddLine::Kind::NoEquals) bareLines.insert(o.line);
    Linter(source.Document(), mgr, integrity.encoded, options, report, std::move(bareLines)).Run();
    return report;
}

std::wstring FormatFinding(const std::wstring& fileLabel, const Finding& f) {
    std::wstring s = fileLabel + FormatString(L":%d: ", f.line);
    s += f.severity == Severity::Error ? L"error: " : L"warning: ";
    if (!f.section.empty()) s += L"[" + f.section + L"] ";
    if (!f.key.empty()) s += f.key + L": ";
    return s + f.message;
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
    d += L"  end [shape=doublecircle, label=\"end\\nexit 0\", style=filled, fillcolor=\"#c8f0c8\"];\n";
    d += FormatString(L"  start -> t%u;\n", report.firstTask);
    bool usesEnd = false;
    for (const auto& [n, t] : report.tasks) {
        std::wstring label = t.section + L"\\n";
        if (t.loads) {
            label += FormatString(L"%u: ", t.type) + DotEscape(TypeName(t.type));
            if (!t.label.empty()) label += L"\\n" + DotEscape(t.label);
        } else {
            label += L"does not load\\nexit 9";
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
        d += FormatString(L"  t%u [shape=octagon, color=red, fontcolor=red, label=\"TASK_%d\\nmissing\\nexit 9\"];\n",
                          m, int(m));
    // Targets that no reachable path uses but that still have no section.
    for (const auto& [n, t] : report.tasks)
        for (const Edge& e : t.edges)
            if ((e.kind == Edge::Kind::Branch || e.kind == Edge::Kind::Goto || e.kind == Edge::Kind::FallThrough) &&
                !report.tasks.count(e.target) && !report.missingTargets.count(e.target))
                d += FormatString(L"  t%u [shape=octagon, color=gray, fontcolor=gray, "
                                  L"label=\"TASK_%d\\nmissing\"];\n",
                                  e.target, int(e.target));
    if (!usesEnd) d += L"  end [style=invis];\n";
    d += L"}\n";
    return d;
}

}  // namespace fwu::lint
