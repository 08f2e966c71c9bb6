// TaskLint reads what Update reads: the names in a style list, the task
// dialog's answers and the exit codes it names come from Update's own rules.
#include <clocale>
#include <cwctype>
#include <string>

#include "flag_names.h"
#include "tasklint_testutil.h"

namespace fwu::lint::test {
namespace {

// Sets the character-class locale for one scope. Update upper-cases style
// names with towupper, which maps only ASCII letters in the "C" locale but
// more in others (U+0131 dotless i to I, U+017F long s to S).
class CtypeLocale {
public:
    explicit CtypeLocale(const char* name) : saved_(std::setlocale(LC_CTYPE, nullptr)) {
        ok_ = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~CtypeLocale() { std::setlocale(LC_CTYPE, saved_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string saved_;
    bool ok_ = false;
};

// A message box of the style `list` whose Yes and No both end the run.
LintRun LintStyle(const std::string& list) {
    return LintText("[TASK_1]\nType=1\nMsgType=" + list + "\nRET_0x00000001=-1\nRET_0x00000006=-1\n"
                    "RET_0x00000007=-1\n");
}

uint32_t UpdateReads(const std::wstring& list) { return upd::ParseFlagNames(upd::MessageBoxFlagNames().data(), list); }

TEST(TaskLintFlagNames, UnknownNamesAreTheOnesUpdateDoesNotRead) {
    struct Case {
        const char* list;       // as written in the file (UTF-8)
        const wchar_t* wide;    // the same text
    };
    // Letters whose upper case is ASCII only outside the "C" locale, one
    // with no one-letter upper case (sharp s), fullwidth letters, and
    // separators that are not Update's blank and comma.
    const Case cases[] = {
        {"MB_YE\xC5\xBFNO", L"MB_YE\u017FNO"},
        {"mb_\xC4\xB1""conerror", L"mb_\u0131conerror"},
        {"MB_\xEF\xBC\xAF\xEF\xBC\xAB", L"MB_\uFF2F\uFF2B"},
        {"MB_STRA\xC3\x9F""E", L"MB_STRA\u00DFE"},
        {"MB_YESNO\xE3\x80\x80", L"MB_YESNO\u3000"},
        {"MB_YESNO\xEF\xBC\x8CMB_ICONERROR", L"MB_YESNO\uFF0CMB_ICONERROR"},
    };
    for (const char* locale : {"C", "C.UTF-8"}) {
        CtypeLocale scope(locale);
        if (!scope.ok()) continue;
        for (const Case& c : cases) {
            const uint32_t style = UpdateReads(c.wide);
            LintRun r = LintStyle(c.list);
            const size_t unknown = LinesWith(r.out, "is not a message box style name").size();
            EXPECT_EQ(unknown, style == 0 ? 1u : 0u) << locale << " " << c.list << ": Update reads 0x" << std::hex
                                                     << style << "\n" << r.out;
        }
    }
}

TEST(TaskLintFlagNames, LettersThatUpperCaseToAsciiOutsideTheCLocale) {
    CtypeLocale scope("C.UTF-8");
    if (!scope.ok() || std::towupper(0x131) != L'I' || std::towupper(0x17F) != L'S')
        GTEST_SKIP() << "no C.UTF-8 locale that upper-cases U+0131 and U+017F to ASCII";
    // Update reads "mb_ıconerror" as MB_ICONERROR and "MB_YEſNO" as MB_YESNO here.
    ASSERT_EQ(UpdateReads(L"mb_\u0131conerror"), 0x10u);
    ASSERT_EQ(UpdateReads(L"MB_YE\u017FNO"), 0x4u);
    LintRun r = LintStyle("MB_YE\xC5\xBFNO,mb_\xC4\xB1""conerror");
    EXPECT_TRUE(LinesWith(r.out, "is not a message box style name").empty()) << r.out;
    // A Yes/No box never gives 1: TaskLint sees the buttons Update shows.
    ExpectFinding(r, "config.ini:4: warning: [TASK_1] RET_0x00000001:", "never gives the result 0x00000001");
    // Two button groups, one of them spelt with a long s, read as neither.
    LintRun groups = LintStyle("MB_OKCANCEL,MB_YE\xC5\xBFNO");
    ExpectFinding(groups, "config.ini:3: warning: [TASK_1] MsgType:",
                  "MB_OKCANCEL and MB_YESNO each choose the buttons: together they read as 0x5");
}

}  // namespace
}  // namespace fwu::lint::test
