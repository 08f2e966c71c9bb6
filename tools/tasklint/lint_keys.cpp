// The checks of a task list's sections and keys: sections and keys Update
// never reads, values that read differently from what they seem to say, and
// the load of every task with Update's own task record.
#include <algorithm>
#include <initializer_list>
#include <optional>

#include "flag_names.h"
#include "lint_grammar.h"
#include "lint_pass.h"
#include "number.h"
#include "package_folder.h"
#include "text.h"
#include "update_defs.h"

namespace fwu::lint {

namespace {

// The update folder tasks are loaded with: the checker only looks at the
// values Update derives from the keys, never at these joined paths.
constexpr const wchar_t kLintUpdateFolder[] = L"C:\\Package";

uint32_t ParseNames(const std::vector<upd::FlagNameEntry>& table, const std::wstring& list) {
    return upd::ParseFlagNames(table.data(), list);
}

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

class KeyChecks : public LintPass {
public:
    explicit KeyChecks(LintState& state) : LintPass(state) {}

    void Run() {
        CheckSections();
        for (auto& [number, task] : m_report.tasks) LoadTask(task);
    }

private:
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
                      FormatString(L"Type is missing: the task does not load and a run that reaches it ends with "
                                   L"exit code %u",
                                   unsigned(upd::kExitLoadFailed)));
            else
                Error(sec, L"Type", typeEntry->line,
                      FormatString(L"Type %d is not a task type (0 to %u): the task does not load and a run "
                                   L"that reaches it ends with exit code %u",
                                   int(m_mgr.GetInt(sec, L"Type", 0)), unsigned(upd::kTaskTypeLast),
                                   unsigned(upd::kExitLoadFailed)));
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
        t.interactive.results = InteractiveResults(t, loaded);
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
            for (int32_t id : CommonButtonIds(ParseNames(CommonButtonTable(), task.TD_CommonButtons)))
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
                     FormatString(L"the run ends with exit code %u (STILL_ACTIVE): a caller reads it as \"still "
                                  L"running\", the code Windows gives for a process that has not ended, not as the "
                                  L"package's answer; use another code",
                                  unsigned(kStillActive)));
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
        const auto& table = MessageBoxStyleTable();
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
        if (KindOf(k) == TaskKeyKind::Number) {
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
        if (KindOf(k) == TaskKeyKind::Flag) {
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
};

}  // namespace

void CheckKeys(LintState& state) { KeyChecks(state).Run(); }

}  // namespace fwu::lint
