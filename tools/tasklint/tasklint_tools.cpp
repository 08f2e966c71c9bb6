#include "tasklint_tools.h"

#include <system_error>

#include "cmdline.h"
#include "config.h"
#include "inifile.h"
#include "number.h"
#include "optpick_core.h"
#include "package_folder.h"
#include "progress_core.h"
#include "tallykeep_core.h"
#include "text.h"
#include "tools.h"

namespace fwu::lint {

namespace {

struct ToolRow {
    PackageTool tool;
    const wchar_t* name;
};
const ToolRow kTools[] = {
    {PackageTool::Findling, L"Findling"},   {PackageTool::Ailscan, L"Ailscan"},
    {PackageTool::Romstamp, L"Romstamp"},   {PackageTool::Unbinder, L"Unbinder"},
    {PackageTool::Portscout, L"Portscout"}, {PackageTool::Progress, L"Progress"},
    {PackageTool::Optpick, L"Optpick"},     {PackageTool::Tallykeep, L"Tallykeep"},
};

// The tool's argument vector: its own path first, as the tool gets it.
CParseParam ParamsOf(const std::wstring& arguments) {
    std::vector<std::wstring> argv{L"tool.exe"};
    for (std::wstring& a : SplitArguments(arguments)) argv.push_back(std::move(a));
    return CParseParam(std::move(argv));
}

ToolIssue Error(std::wstring message) { return {Severity::Error, false, std::move(message)}; }
ToolIssue Warning(std::wstring message) { return {Severity::Warning, false, std::move(message)}; }

// The tools whose answer is their exit code: a task that does not wait for
// them gets 0 when they start, never the answer.
void CheckWaited(PackageTool tool, bool waitExit, std::vector<ToolIssue>& out) {
    if (waitExit) return;
    out.push_back(Warning(FormatString(
        L"%ls answers through its exit code, but the task does not wait for it (WaitExit=TRUE): the task's "
        L"result is 0 as soon as it starts",
        ToolName(tool))));
}

bool IsDigits(const std::wstring& s) {
    if (s.empty()) return false;
    for (wchar_t c : s)
        if (c < L'0' || c > L'9') return false;
    return true;
}

std::vector<std::wstring> SplitDots(const std::wstring& value) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (true) {
        size_t dot = value.find(L'.', start);
        parts.push_back(value.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start));
        if (dot == std::wstring::npos) break;
        start = dot + 1;
    }
    return parts;
}

std::wstring JoinDots(const std::vector<std::wstring>& parts) {
    std::wstring s;
    for (size_t i = 0; i < parts.size(); ++i) s += (i ? L"." : L"") + parts[i];
    return s;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Digits and dots compare alike by code and by the platform's word sort.
int CompareText(const std::wstring& a, const std::wstring& b) { return Sign(a.compare(b)); }

int CompareNumbers(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        std::wstring x = a[i].substr(std::min(a[i].find_first_not_of(L'0'), a[i].size()));
        std::wstring y = b[i].substr(std::min(b[i].find_first_not_of(L'0'), b[i].size()));
        if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
        if (int c = Sign(x.compare(y))) return c;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

void CheckTextOrder(PackageTool tool, const wchar_t* option, const std::wstring& value, bool orderMatters,
                    std::vector<ToolIssue>& out) {
    if (!orderMatters) return;
    std::optional<std::wstring> other = TextOrderCounterexample(value);
    if (!other) return;
    bool sortsAfter = CompareText(*other, value) > 0;
    // The tool's answer: 1 "sorts after", 0xFFFFFFFF "sorts before".
    const uint32_t code = uint32_t(CompareSign(sortsAfter ? 1 : -1));
    out.push_back(Warning(FormatString(
        L"%ls compares /%ls%ls as text, not as a number: a device value of %ls sorts %ls it (exit code %ls) "
        L"although it is %ls, and RET_0x00000001 and RET_0xFFFFFFFF lead to different tasks here; branch on 0 "
        L"(equal) alone or compare values of one width",
        ToolName(tool), option, value.c_str(), other->c_str(), sortsAfter ? L"after" : L"before",
        (sortsAfter ? FormatString(L"%u", code) : FormatString(L"0x%08X", code)).c_str(),
        sortsAfter ? L"lower" : L"higher")));
}

std::wstring Shown(const std::filesystem::path& file, const std::filesystem::path& packageFolder) {
    std::error_code ec;
    std::filesystem::path rel = std::filesystem::relative(file, packageFolder, ec);
    std::wstring s = PathToWide(ec || rel.empty() ? file : rel);
    for (wchar_t& c : s)
        if (c == L'/') c = L'\\';
    return s;
}

// A tool's config.ini read the way the tool reads it.
struct ToolConfig {
    bool valid = false;
    IniDocument doc;
};

ToolConfig ReadToolConfig(const std::filesystem::path& file) {
    ToolConfig c;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(file, bytes)) return c;
    IntegrityResult integrity = CheckIntegrity(bytes.data(), bytes.size());
    c.valid = integrity.valid;
    if (!c.valid) return c;
    c.doc = ParseIni(DecodeFileText(bytes));
    if (integrity.encoded)
        for (IniSection& s : c.doc.sections)
            for (IniEntry& e : s.entries) {
                std::wstring v;
                e.value = DecodeSealedValue(e.value, v) ? v : std::wstring();
            }
    return c;
}

bool HasValue(const IniDocument& doc, const wchar_t* section, const wchar_t* key) {
    const IniSection* s = doc.Find(section);
    const IniEntry* e = s ? s->Find(key) : nullptr;
    return e != nullptr && !e->value.empty();
}

bool IsLanguageName(const std::wstring& name) {
    size_t dash = name.find(L'-');
    if (dash < 2 || dash > 3 || dash + 1 >= name.size()) return false;
    for (wchar_t c : name)
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-'))
            return false;
    return true;
}

}  // namespace

PackageTool ToolOfPath(const std::wstring& path) {
    std::wstring_view name(path);
    size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring_view::npos) name.remove_prefix(slash + 1);
    if (name.size() > 4 && EqualsNoCaseAscii(name.substr(name.size() - 4), L".exe")) name.remove_suffix(4);
    for (const ToolRow& row : kTools)
        if (EqualsNoCaseAscii(name, row.name)) return row.tool;
    return PackageTool::None;
}

const wchar_t* ToolName(PackageTool tool) {
    for (const ToolRow& row : kTools)
        if (row.tool == tool) return row.name;
    return L"";
}

std::vector<std::wstring> SplitArguments(const std::wstring& text) {
    std::vector<std::wstring> args;
    size_t i = 0;
    while (true) {
        while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
        if (i >= text.size()) break;
        std::wstring arg;
        bool quoted = false;
        while (i < text.size() && (quoted || (text[i] != L' ' && text[i] != L'\t'))) {
            if (text[i] == L'\\') {
                size_t n = 0;
                while (i < text.size() && text[i] == L'\\') ++n, ++i;
                if (i < text.size() && text[i] == L'"') {
                    arg.append(n / 2, L'\\');
                    if (n % 2) {
                        arg.push_back(L'"');
                        ++i;
                    }
                } else {
                    arg.append(n, L'\\');
                }
                continue;
            }
            if (text[i] == L'"') {
                if (quoted && i + 1 < text.size() && text[i + 1] == L'"') {
                    arg.push_back(L'"');
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg.push_back(text[i++]);
        }
        args.push_back(arg);
    }
    return args;
}

std::optional<std::wstring> TextOrderCounterexample(const std::wstring& value) {
    std::vector<std::wstring> parts = SplitDots(value);
    for (const std::wstring& p : parts)
        if (!IsDigits(p)) return std::nullopt;
    // The last part first: "2.9" against "2.10" is the case packagers meet.
    for (size_t k = parts.size(); k-- > 0;) {
        size_t width = parts[k].size();
        std::vector<std::wstring> candidates;
        if (width > 1) {
            candidates.push_back(std::wstring(width - 1, L'9'));
            candidates.push_back(L"1" + std::wstring(width - 2, L'0'));
        }
        candidates.push_back(std::wstring(width + 1, L'9'));
        candidates.push_back(L"1" + std::wstring(width, L'0'));
        for (const std::wstring& c : candidates) {
            std::vector<std::wstring> other = parts;
            other[k] = c;
            if (CompareText(JoinDots(other), value) != CompareNumbers(other, parts)) return JoinDots(other);
        }
    }
    return std::nullopt;
}

std::vector<ToolIssue> CheckToolOptions(PackageTool tool, RunScope run, const std::wstring& arguments,
                                        bool waitExit, bool orderMatters) {
    std::vector<ToolIssue> out;
    CParseParam params = ParamsOf(arguments);
    switch (tool) {
    case PackageTool::Findling:
        if (params.Find(L"HwID:", nullptr).empty())
            out.push_back(Error(FormatString(L"Findling without /HwID: looks at no device and exits with %d",
                                             int(kExitMissingOption))));
        CheckWaited(tool, waitExit, out);
        break;
    case PackageTool::Ailscan:
    case PackageTool::Romstamp: {
        const fwu::CompareProfile& profile = tool == PackageTool::Ailscan ? kAilscanProfile : kRomstampProfile;
        std::wstring hwid = params.Find(L"HwID:", nullptr);
        std::wstring value = params.Find(profile.valueOption, nullptr);
        if (hwid.empty() || value.empty()) {
            std::wstring message = FormatString(L"%ls without /HwID: and /%ls looks at no device and exits with %d",
                                                ToolName(tool), profile.valueOption, int(kExitMissingOption));
            // A value under another option name ("/Code:9") is not read.
            if (!value.empty() || !hwid.empty())
                for (const std::wstring& a : SplitArguments(arguments)) {
                    size_t colon = a.find(L':');
                    if (a.size() < 3 || (a[0] != L'/' && a[0] != L'-') || colon == std::wstring::npos) continue;
                    std::wstring name = a.substr(1, colon);
                    if (EqualsNoCaseAscii(name, L"HwID:") || EqualsNoCaseAscii(name, L"LOG:") ||
                        EqualsNoCaseAscii(name, profile.valueOption))
                        continue;
                    message += FormatString(L" (%ls: is not an option of %ls)", a.substr(0, colon).c_str(),
                                            ToolName(tool));
                    break;
                }
            out.push_back(Error(message));
        } else {
            CheckTextOrder(tool, profile.valueOption, value, orderMatters, out);
        }
        CheckWaited(tool, waitExit, out);
        break;
    }
    case PackageTool::Unbinder:
        if (params.Find(L"HwID:", nullptr).empty())
            out.push_back(Error(FormatString(L"Unbinder without /HwID: removes nothing and exits with 0x%08X",
                                             unsigned(kUnbinderCouldNot))));
        CheckWaited(tool, waitExit, out);
        break;
    case PackageTool::Portscout:
        if (UnsignedOptionOr(params.Find(L"VID:", nullptr), 0) == 0 &&
            UnsignedOptionOr(params.Find(L"PID:", nullptr), 0) == 0)
            out.push_back(Error(FormatString(
                L"Portscout without a /VID: or /PID: number looks at no device and exits with %d",
                int(kExitMissingOption))));
        CheckWaited(tool, waitExit, out);
        break;
    case PackageTool::Progress: {
        prg::Options o = prg::ReadOptions(params);
        if (o.mode == prg::Mode::On && waitExit)
            out.push_back(Error(L"Progress /ON runs until a Progress /OFF closes its window: waiting for it "
                                L"(WaitExit=TRUE) never ends"));
        else if (o.mode == prg::Mode::Off && !waitExit)
            out.push_back(Warning(L"Progress /OFF is not waited for: the next task starts while the window is "
                                  L"still open; with WaitExit=TRUE it returns once the window is gone"));
        else if (o.mode == prg::Mode::None)
            out.push_back(Warning(L"Progress without /ON, /OFF or /Silent does nothing"));
        break;
    }
    case PackageTool::Optpick: {
        opk::Options o = opk::ReadOptions(params);
        std::wstring silentExit = params.Find(L"ReturnBySilent:", nullptr);
        if (run == RunScope::Silent && !o.silent)
            out.push_back(Error(
                silentExit.empty()
                    ? std::wstring(L"Optpick without /s shows its dialog and waits for a person; give it /s and "
                                   L"/ReturnBySilent:N (the answer of the silent run)")
                    : std::wstring(L"Optpick without /s shows its dialog and waits for a person: "
                                   L"/ReturnBySilent: alone does not make it silent, give /s as well")));
        uint32_t parsed = 0;
        if (o.silent && silentExit.empty())
            out.push_back(Warning(FormatString(L"Optpick /s without /ReturnBySilent:N exits with %u, the answer of "
                                               L"OK, as if a person had confirmed; give /ReturnBySilent:N to choose "
                                               L"the silent answer",
                                               unsigned(o.silentExit))));
        else if (o.silent && !ParseUnsignedAuto(silentExit, &parsed))
            out.push_back(Warning(FormatString(L"/ReturnBySilent:%ls is not a number: Optpick exits with %u "
                                               L"in silent mode",
                                               silentExit.c_str(), unsigned(o.silentExit))));
        CheckWaited(tool, waitExit, out);
        break;
    }
    case PackageTool::Tallykeep: {
        tly::Options o = tly::ReadOptions(params);
        if (!o.flags.loop)
            out.push_back(Error(FormatString(L"Tallykeep without /loop counts nothing and exits with %d",
                                             int(tly::kExitNoOperation))));
        else if (tly::DecideOperation(o.flags) == tly::Operation::None)
            out.push_back(Error(FormatString(
                L"Tallykeep without /check, /increment or /delete counts nothing and exits with %d",
                int(tly::kExitNoOperation))));
        else if (tly::DecideOperation(o.flags) == tly::Operation::Check)
            CheckWaited(tool, waitExit, out);
        break;
    }
    default:
        break;
    }
    return out;
}

std::vector<uint32_t> TallykeepFailureCodes(const std::wstring& arguments, std::wstring* operation) {
    switch (tly::DecideOperation(tly::ReadOptions(ParamsOf(arguments)).flags)) {
    case tly::Operation::Increment:
        *operation = L"/increment";
        return {tly::kExitWriteFailed, tly::kExitLockFailed};
    case tly::Operation::Delete:
        *operation = L"/delete";
        return {tly::kExitDeleteFailed, tly::kExitLockFailed};
    case tly::Operation::Check:
        *operation = L"/check";
        return {tly::kExitLockFailed};
    default:
        operation->clear();
        return {};
    }
}

std::vector<std::filesystem::path> ToolConfigFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_directory(ec) || !IsLanguageName(PathToWide(it->path().filename()))) continue;
        if (std::optional<std::filesystem::path> f = FindNoCase(it->path(), L"config.ini", EntryKind::File)) files.push_back(*f);
    }
    if (std::optional<std::filesystem::path> f = FindNoCase(folder, L"config.ini", EntryKind::File)) files.push_back(*f);
    return files;
}

std::vector<ToolIssue> CheckToolConfig(PackageTool tool, const std::wstring& arguments,
                                       const std::vector<std::filesystem::path>& files,
                                       const std::filesystem::path& packageFolder) {
    std::vector<ToolIssue> out;
    CParseParam params = ParamsOf(arguments);
    auto add = [&](Severity s, std::wstring message) { out.push_back({s, true, std::move(message)}); };
    switch (tool) {
    case PackageTool::Progress: {
        if (prg::ReadOptions(params).mode != prg::Mode::On) break;
        if (files.empty()) {
            const fwu::ConfigVerdict missing = fwu::JudgeConfig(false, false, prg::kConfigRefusal);
            add(Severity::Error, FormatString(L"Progress /ON finds no config.ini beside it: it shows the blocking box "
                                              L"\"%ls\" (also in a silent run) and exits with %u",
                                              missing.message, unsigned(missing.exitCode)));
            break;
        }
        for (const std::filesystem::path& f : files) {
            ToolConfig c = ReadToolConfig(f);
            std::wstring name = Shown(f, packageFolder);
            if (!c.valid) {
                const fwu::ConfigVerdict falsified = fwu::JudgeConfig(true, false, prg::kConfigRefusal);
                add(Severity::Error, FormatString(L"%ls fails its integrity check: Progress /ON shows the blocking "
                                                  L"box \"%ls\" (also in a silent run) and exits with %u",
                                                  name.c_str(), falsified.message, unsigned(falsified.exitCode)));
                continue;
            }
            for (const wchar_t* key : {L"IDS_STR_TITLE", L"IDC_STATIC_PROGRESS"})
                if (!HasValue(c.doc, L"MSG", key))
                    add(Severity::Warning,
                        FormatString(L"%ls has no [MSG] %ls: the waiting window shows %ls", name.c_str(), key,
                                     std::wstring(key) == L"IDS_STR_TITLE" ? L"no title" : L"no text"));
        }
        break;
    }
    case PackageTool::Optpick: {
        opk::Options o = opk::ReadOptions(params);
        if (files.empty()) {
            const fwu::ConfigVerdict missing = fwu::JudgeConfig(false, false, opk::kConfigRefusal);
            add(Severity::Error,
                o.silent ? FormatString(L"Optpick finds no config.ini beside it and exits with %u",
                                        unsigned(missing.exitCode))
                         : FormatString(L"Optpick finds no config.ini beside it: it shows \"%ls\" and exits with %u",
                                        missing.message, unsigned(missing.exitCode)));
            break;
        }
        for (const std::filesystem::path& f : files) {
            ToolConfig c = ReadToolConfig(f);
            std::wstring name = Shown(f, packageFolder);
            if (!c.valid) {
                add(Severity::Error, FormatString(L"%ls fails its integrity check: Optpick exits with %u", name.c_str(),
                                                  unsigned(fwu::JudgeConfig(true, false, opk::kConfigRefusal).exitCode)));
                continue;
            }
            // A silent Optpick shows no dialog and reads no dialog section.
            std::wstring section = opk::SectionName(o.dialogNumber);
            if (!o.silent && c.doc.Find(section) == nullptr)
                add(Severity::Warning,
                    FormatString(L"%ls has no section [%ls] for /MSG:%ls: the dialog shows no texts and no check "
                                 L"boxes",
                                 name.c_str(), section.c_str(), o.dialogNumber.c_str()));
        }
        break;
    }
    case PackageTool::Tallykeep: {
        if (tly::DecideOperation(tly::ReadOptions(params).flags) != tly::Operation::Check) break;
        if (files.empty()) {
            add(Severity::Warning, L"Tallykeep /check finds no config.ini beside it: it uses its built-in limit 1");
            break;
        }
        for (const std::filesystem::path& f : files) {
            ToolConfig c = ReadToolConfig(f);
            std::wstring name = Shown(f, packageFolder);
            if (!c.valid)
                add(Severity::Warning, FormatString(L"%ls fails its integrity check: Tallykeep /check uses its "
                                                    L"built-in limit 1",
                                                    name.c_str()));
            else if (!HasValue(c.doc, tly::kSection, tly::kKey))
                add(Severity::Warning, FormatString(L"%ls has no [Counter] Loop: Tallykeep /check uses its "
                                                    L"built-in limit 1",
                                                    name.c_str()));
            else {
                // A limit of 0 or below is reached before the first pass:
                // the counter starts at 0.
                std::wstring text = c.doc.Find(tly::kSection)->Find(tly::kKey)->value;
                int32_t limit = ParseConfigNumber(text, tly::kDefaultLimit);
                if (limit <= 0)
                    add(Severity::Warning,
                        FormatString(L"%ls has [Counter] Loop=%ls, a limit of %d: Tallykeep /check gives 1 "
                                     L"(limit reached) from the first call on",
                                     name.c_str(), text.c_str(), int(limit)));
            }
        }
        break;
    }
    default:
        break;
    }
    // The tool takes a copy for the user's language, else en-US, else
    // ja-JP, else the neutral file: with only other copies, a machine in
    // another language finds none.
    bool reads = (tool == PackageTool::Progress && prg::ReadOptions(params).mode == prg::Mode::On) ||
                 tool == PackageTool::Optpick ||
                 (tool == PackageTool::Tallykeep &&
                  tly::DecideOperation(tly::ReadOptions(params).flags) == tly::Operation::Check);
    bool everywhere = files.empty();
    for (const std::filesystem::path& f : files) {
        std::wstring folder = PathToWide(f.parent_path().filename());
        everywhere = everywhere || EqualsNoCaseAscii(folder, L"en-US") || EqualsNoCaseAscii(folder, L"ja-JP") ||
                     !IsLanguageName(folder);
    }
    if (reads && !everywhere)
        add(Severity::Warning,
            FormatString(L"%ls finds its config.ini only in language folders (%ls): on a machine in another "
                         L"language it finds none; add the neutral config.ini or an en-US copy",
                         ToolName(tool), Shown(files.front().parent_path(), packageFolder).c_str()));
    return out;
}

}  // namespace fwu::lint
