// TaskLint's findings: one broken task list per finding, each checked for
// its message, its location and the exit code.
#include "tasklint_testutil.h"

#include <algorithm>

#include "lint_grammar.h"

namespace fwu::lint::test {
namespace {

// A list that ends cleanly after its one message box.
const char kCleanList[] =
    "[CONFIG]\nREQSYS=ON\n[CERT]\nVERIFY=OFF\n[MSG]\nIDS_STR_TITLE=Firmware Update\n"
    "[TASK_1]\nType=1\nMsgText=Hello\nMsgType=MB_OK\nRET_0x00000001=-1\nRET_0x00000006=-1\n";

TEST(TaskLintResult, CleanListExitsZeroWithOneSummaryLine) {
    LintRun r = LintText(kCleanList);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(LinesWith(r.out, "").size(), 1u) << r.out;
    EXPECT_NE(r.out.find(": 1 task, no findings"), std::string::npos) << r.out;
}

TEST(TaskLintResult, SummaryCountsAgreeWithTheirNumber) {
    // One error (the run falls off the end), one warning (an unknown key).
    LintRun one = LintText("[TASK_1]\nType=5\nRET_0x00000000=-1\nBogus=1\n");
    EXPECT_NE(one.out.find(": 1 error, 1 warning\n"), std::string::npos) << one.out;
    LintRun two = LintText("[TASK_1]\nType=5\nRET_0x00000000=7\nBogus=1\nOther=2\n");
    EXPECT_NE(two.out.find(": 2 errors, 2 warnings\n"), std::string::npos) << two.out;
    LintRun clean = LintText(
        "[TASK_1]\nType=5\nRET_0x00000000=2\nRET_0x00000001=2\n[TASK_2]\nType=11\nData=0\n");
    EXPECT_NE(clean.out.find(": 2 tasks, no findings"), std::string::npos) << clean.out;
}

TEST(TaskLintResult, FallThroughOfSeveralResultsReadsInThePlural) {
    // A Yes/No box without keys: 6 and 7 both go on with the missing TASK_2.
    LintRun r = LintText("[TASK_1]\nType=1\nMsgType=MB_YESNO\n");
    EXPECT_NE(r.out.find("the results 0x00000006, 0x00000007 go on with TASK_2"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("0x00000007 goes on"), std::string::npos) << r.out;
    // The silent run's answer is one result alone.
    EXPECT_NE(r.out.find("the result 0x00000006 goes on with TASK_2"), std::string::npos) << r.out;
}

TEST(TaskLintResult, VersionIsTheProjectVersion) {
    std::wstring out, err;
    EXPECT_EQ(TaskLintMain({L"TaskLint", L"--version"}, out, err), 0);
    EXPECT_EQ(ToUtf8(out), std::string("TaskLint ") + FWU_PROJECT_VERSION + "\n");
    EXPECT_TRUE(err.empty());
}

TEST(TaskLintResult, UsageAndUnreadableFilesExitThree) {
    std::wstring out, err;
    EXPECT_EQ(TaskLintMain({L"TaskLint"}, out, err), 3);
    EXPECT_EQ(TaskLintMain({L"TaskLint", L"--bogus", L"x.ini"}, out, err), 3);
    EXPECT_EQ(TaskLintMain({L"TaskLint", L"/nonexistent/config.ini"}, out, err), 3);
    EXPECT_NE(ToUtf8(err).find("cannot read"), std::string::npos);
    EXPECT_EQ(TaskLintMain({L"TaskLint", L"--first", L"x1", L"a.ini"}, out, err), 3);
}

// --- errors -------------------------------------------------------------

TEST(TaskLintErrors, MissingTypeDoesNotLoad) {
    LintRun r = LintText("[TASK_1]\nMsgText=x\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] Type:", "Type is missing");
}

TEST(TaskLintErrors, EmptyTypeDoesNotLoad) {
    LintRun r = LintText("[TASK_1]\nType=\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:2: error: [TASK_1] Type:", "Type is missing");
}

TEST(TaskLintErrors, TypeOutOfRangeDoesNotLoad) {
    for (const char* type : {"14", "-1", "0x20"}) {
        LintRun r = LintText(std::string("[TASK_1]\nType=") + type + "\n");
        EXPECT_EQ(r.code, 2) << type;
        ExpectFinding(r, "config.ini:2: error: [TASK_1] Type:", "is not a task type (0 to 13)");
    }
}

TEST(TaskLintErrors, RetTargetMissing) {
    LintRun r = LintText(
        "[TASK_1]\nType=5\nRET_0x00000000=-1\nRET_0x00000001=9\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:4: error: [TASK_1] RET_0x00000001:", "TASK_9 does not exist");
}

TEST(TaskLintErrors, GotoTargetMissing) {
    LintRun r = LintText("[TASK_1]\nType=9\nGoto=7\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:3: error: [TASK_1] Goto:", "TASK_7 does not exist");
}

TEST(TaskLintErrors, RunFallsOffTheEnd) {
    // Result 1 of the check has no key: the run goes on with TASK_3.
    LintRun r = LintText(
        "[TASK_1]\nType=13\n"
        "[TASK_2]\nType=5\nRET_0x00000000=-1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:3: error: [TASK_2] ", "falls off the end of the list");
    EXPECT_NE(r.out.find("the result 0x00000001 goes on with TASK_3"), std::string::npos) << r.out;
}

TEST(TaskLintErrors, SilentAnswerOfABoxWithoutYesFallsOffTheEnd) {
    // In silent mode the box answers 6, which an OK/Cancel box never gives
    // when shown: without RET_0x00000006 the run goes on with TASK_2.
    LintRun r = LintText("[TASK_1]\nType=1\nMsgType=MB_OKCANCEL\nRET_0x00000001=-1\nRET_0x00000002=-1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ", "the result 0x00000006 goes on with TASK_2");
}

TEST(TaskLintErrors, ProgramWaitedForCanFallThroughWithAnyExitCode) {
    LintRun r = LintText("[TASK_1]\nType=0\nPath=x.exe\nWaitExit=TRUE\nRET_0x00000000=-1\n",
                         {L"--package", L"/nonexistent"});
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "[TASK_1] ", "every result without a RET_ key goes on with TASK_2");
}

TEST(TaskLintErrors, FirstTaskMissing) {
    LintRun r = LintText(kCleanList, {L"--first", L"5"});
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:0: error: ", "the first task TASK_5 does not exist");
}

TEST(TaskLintErrors, SealedFileThatFailsItsCheck) {
    PackageDir dir;
    dir.WriteSealed(kCleanList);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(dir.Config(), bytes));
    bytes[10] ^= 0x01;
    WriteWholeFile(dir.Config(), bytes);
    LintRun r = dir.Lint();
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:0: error: ", "fails its integrity check");
}

TEST(TaskLintErrors, TooShortFileCountsAsFalsified) {
    LintRun r = LintText("[A]\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:0: error: ", "shorter than 8 bytes");
}

// --- sealed files are read decoded ------------------------------------------

TEST(TaskLintSealed, CleanSealedListPasses) {
    PackageDir dir;
    dir.WriteSealed(kCleanList);
    LintRun r = dir.Lint();
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("(sealed), no findings"), std::string::npos) << r.out;
}

TEST(TaskLintSealed, FindingsUseTheDecodedValues) {
    PackageDir dir;
    dir.WriteSealed(std::string(kCleanList) + "[TASK_9]\nType=4\nURL=http://x\nWaitExit=yes\n");
    LintRun r = dir.Lint();
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "[TASK_9] WaitExit:", "'yes' reads as FALSE");
}

TEST(TaskLintSealed, ValueThatDoesNotDecode) {
    PackageDir dir;
    IniDocument doc = ParseIni(FromUtf8(kCleanList));
    for (auto& s : doc.sections)
        for (auto& e : s.entries) e.value = EncodeSealedValue(e.value);
    doc.Find(L"MSG")->entries[0].value = L"%%%";
    std::vector<uint8_t> bytes = SerializeIniUtf16(doc);
    AppendTrailer(bytes);
    WriteWholeFile(dir.Config(), bytes);
    LintRun r = dir.Lint();
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "[MSG] IDS_STR_TITLE:", "does not decode");
}

// --- warnings -----------------------------------------------------------

struct WarningCase {
    const char* name;
    std::string taskKeys;  // lines added to a clean message-box task 1
    std::string location;
    std::string message;
};

void PrintTo(const WarningCase& c, std::ostream* os) { *os << c.name; }

// A suggestion is a known key at most two edits away, in a task and in
// [CONFIG] alike; a key two letters longer than a known one still gets it,
// one three letters longer or shorter does not.
TEST(TaskLintWarnings, UnknownKeySuggestsOnlyKeysAtMostTwoEditsAway) {
    LintRun r = LintText("[CONFIG]\nREQSYSXY=ON\nREQSYSXYZ=ON\n[TASK_1]\nType=5\nWaitExitXY=TRUE\nWaitExitXYZ=TRUE\n"
                         "WaitE=TRUE\nRET_0x00000000=-1\nRET_0x00000001=-1\n");
    EXPECT_EQ(r.code, 1) << r.out;
    ExpectFinding(r, "config.ini:2: warning: [CONFIG] REQSYSXY:", "(did you mean REQSYS?)");
    ExpectFinding(r, "config.ini:6: warning: [TASK_1] WaitExitXY:", "(did you mean WaitExit?)");
    for (const char* far : {"REQSYSXYZ:", "WaitExitXYZ:", "WaitE:"}) {
        std::vector<std::string> lines = LinesWith(r.out, far);
        ASSERT_EQ(lines.size(), 1u) << r.out;
        EXPECT_EQ(lines[0].find("did you mean"), std::string::npos) << lines[0];
    }
}

// The full table of Levenshtein distances, ASCII case ignored, capped at 3.
size_t FullEditDistance(const std::wstring& a, const std::wstring& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j)
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (ToUpperAscii(a[i - 1]) == ToUpperAscii(b[j - 1]) ? 0 : 1)});
    return std::min<size_t>(d[a.size()][b.size()], 3);
}

// Short words over a small alphabet meet every kind of edit near the band's
// edges: ends, doubled letters, case.
TEST(TaskLintWarnings, EditDistanceIsExactUpToTwoAndThreeBeyond) {
    const wchar_t alphabet[] = L"abAB";
    uint32_t seed = 12345;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    auto word = [&]() {
        std::wstring w(next() % 9, L'a');
        for (wchar_t& c : w) c = alphabet[next() % 4];
        return w;
    };
    for (int n = 0; n < 20000; ++n) {
        std::wstring a = word(), b = word();
        if (n % 3 == 0) {  // a near neighbour: up to three edits of a
            b = a;
            for (uint32_t k = next() % 4; k > 0; --k) {
                size_t at = b.empty() ? 0 : next() % (b.size() + 1);
                switch (next() % 3) {
                case 0: b.insert(b.begin() + long(at), alphabet[next() % 4]); break;
                case 1: if (at < b.size()) b.erase(at, 1); break;
                default: if (at < b.size()) b[at] = alphabet[next() % 4]; break;
                }
            }
        }
        ASSERT_EQ(EditDistance(a, b), FullEditDistance(a, b)) << "'" << ToUtf8(a) << "' '" << ToUtf8(b) << "'";
    }
}

class TaskLintWarning : public ::testing::TestWithParam<WarningCase> {};

TEST_P(TaskLintWarning, IsReportedWithItsLocation) {
    const WarningCase& c = GetParam();
    LintRun r = LintText(c.taskKeys);
    EXPECT_EQ(r.code, 1) << r.out;
    ExpectFinding(r, c.location, c.message);
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

// Each list ends cleanly apart from its one fault; line numbers count from
// the first line of the list.
const char kEnd[] = "RET_0x00000000=-1\nRET_0x00000001=-1\n";
const char kEndBox[] = "RET_0x00000001=-1\nRET_0x00000006=-1\n";

INSTANTIATE_TEST_SUITE_P(
    Findings, TaskLintWarning,
    ::testing::Values(
        WarningCase{"UnknownKey", std::string("[TASK_1]\nType=5\nWaitExt=TRUE\n") + kEnd,
                    "config.ini:3: warning: [TASK_1] WaitExt:", "unknown key: Update does not read it (did you mean "
                                                                "WaitExit?)"},
        WarningCase{"WaitExitYes", "[TASK_1]\nType=4\nURL=https://example.com\nWaitExit=yes\nRET_0x00000000=-1\n",
                    "config.ini:4: warning: [TASK_1] WaitExit:", "'yes' reads as FALSE: only TRUE makes Update wait"},
        WarningCase{"VerifyNo",
                    "[CERT]\nVERIFY=OFF\n[TASK_1]\nType=0\nPath=%SystemRoot%\\notepad.exe\nVerify=no\n"
                    "RET_0x00000000=-1\nRET_0xFFFFFFFF=-1\n",
                    "config.ini:6: warning: [TASK_1] Verify:", "'no' reads as TRUE"},
        WarningCase{"ReqsysOne", std::string("[CONFIG]\nREQSYS=1\n[TASK_1]\nType=5\n") + kEnd,
                    "config.ini:2: warning: [CONFIG] REQSYS:", "'1' reads as OFF"},
        WarningCase{"CertVerifyFalse", std::string("[CERT]\nVERIFY=FALSE\n[TASK_1]\nType=5\n") + kEnd,
                    "config.ini:2: warning: [CERT] VERIFY:", "'FALSE' reads as ON"},
        WarningCase{"MethodShellExecute",
                    "[TASK_1]\nType=0\nPath=%WINDIR%\\a.exe\nMethod=ShellExecute\nRET_0x00000000=-1\n"
                    "RET_0xFFFFFFFF=-1\n",
                    "config.ini:4: warning: [TASK_1] Method:", "'ShellExecute' reads as process creation"},
        WarningCase{"NumberHoldingText", std::string("[TASK_1]\nType=5\nAfterWait=2s\n") + kEnd,
                    "config.ini:3: warning: [TASK_1] AfterWait:", "'2s' is not a number: Update reads it as 2"},
        WarningCase{"TypeHoldingText",
                    "[TASK_1]\nType=abc\nPath=%WINDIR%\\a.exe\nRET_0x00000000=-1\nRET_0xFFFFFFFF=-1\n",
                    "config.ini:2: warning: [TASK_1] Type:", "'abc' is not a number: Update reads it as 0"},
        WarningCase{"RetValueHoldingText", "[TASK_1]\nType=5\nRET_0x00000000=end\nRET_0x00000001=-1\n[TASK_2]\nType=11\n",
                    "config.ini:3: warning: [TASK_1] RET_0x00000000:", "'end' is not a number: Update reads it as 0"},
        WarningCase{"MsgTypeName", std::string("[TASK_1]\nType=1\nMsgType=MB_OK, MB_ICONINFO\n") + kEndBox,
                    "config.ini:3: warning: [TASK_1] MsgType:", "MB_ICONINFO is not a message box style name"},
        WarningCase{"TdFlagsName",
                    "[TASK_1]\nType=10\nTD_Flags=TDF_ENABLE_HYPERLINK\nRET_0x00000001=-1\nRET_0x00000006=-1\n",
                    "config.ini:3: warning: [TASK_1] TD_Flags:", "TDF_ENABLE_HYPERLINK is not a task dialog flag name"},
        WarningCase{"CommonButtonName",
                    "[TASK_1]\nType=10\nTD_CommonButtons=TDCBF_OK_BUTTON,TDCBF_ABORT_BUTTON\nRET_0x00000001=-1\n"
                    "RET_0x00000006=-1\n",
                    "config.ini:3: warning: [TASK_1] TD_CommonButtons:", "TDCBF_ABORT_BUTTON is not a common button"},
        WarningCase{"IconName",
                    "[TASK_1]\nType=10\nTD_pszMainIcon=TD_SHIELD\nRET_0x00000001=-1\nRET_0x00000006=-1\n",
                    "config.ini:3: warning: [TASK_1] TD_pszMainIcon:", "TD_SHIELD is not an icon name"},
        WarningCase{"DistinctNotSha256",
                    "[TASK_1]\nType=0\nPath=%WINDIR%\\a.exe\nCalcFile=%UPDATEDIR%\\fw.bin\nDistinct=12ab\n"
                    "RET_0x00000000=-1\nRET_0xFFFFFFFF=-1\n",
                    "config.ini:5: warning: [TASK_1] Distinct:", "64 hexadecimal digits"},
        WarningCase{"DistinctWithoutCalcFile",
                    "[TASK_1]\nType=0\nPath=%WINDIR%\\a.exe\nDistinct="
                    "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\n"
                    "RET_0x00000000=-1\nRET_0xFFFFFFFF=-1\n",
                    "config.ini:4: warning: [TASK_1] Distinct:", "work only together"},
        WarningCase{"RetNeverMatches", std::string("[TASK_1]\nType=1\nMsgType=MB_YESNO\nRET_0x00000001=5\n"
                                                   "RET_0x00000006=-1\nRET_0x00000007=-1\n"),
                    "config.ini:4: warning: [TASK_1] RET_0x00000001:",
                    "type 1 (message box) never gives the result 0x00000001"},
        WarningCase{"RetOnGoto", "[TASK_1]\nType=9\nGoto=-1\nRET_0x00000000=4\n",
                    "config.ini:4: warning: [TASK_1] RET_0x00000000:", "a go-to task ignores RET_ keys"},
        WarningCase{"RetMisspelt", std::string("[TASK_1]\nType=5\nRET_0x1=-1\n") + kEnd,
                    "config.ini:3: warning: [TASK_1] RET_0x1:", "branch keys are RET_0x and 8 hexadecimal digits"},
        WarningCase{"Unreachable", std::string("[TASK_1]\nType=5\n") + kEnd + "[TASK_7]\nType=13\nRET_0x00000000=-1\n",
                    "config.ini:5: warning: [TASK_7] ", "no path from TASK_1 reaches this task"},
        // Only a person pressing OK keeps this loop going: the silent answer
        // 6 ends the run.
        WarningCase{"LoopWithoutWayOut",
                    "[TASK_1]\nType=1\nMsgType=MB_OK\nRET_0x00000001=2\nRET_0x00000006=-1\n[TASK_2]\nType=9\nGoto=1\n",
                    "config.ini:1: warning: [TASK_1] ",
                    "interactive run: loop with no way out: TASK_1, TASK_2 repeat for ever"},
        WarningCase{"KeyNotUsedByType", std::string("[TASK_1]\nType=5\nGoto=3\n") + kEnd,
                    "config.ini:3: warning: [TASK_1] Goto:", "type 5 (WOW64 test) does not use Goto"},
        WarningCase{"ButtonBeyondCount",
                    "[TASK_1]\nType=10\nTD_cButtons=1\nTD_Button0_ID=101\nTD_Button0_Text=A\nTD_Button1_ID=102\n"
                    "RET_0x00000065=-1\nRET_0x00000006=-1\n",
                    "config.ini:6: warning: [TASK_1] TD_Button1_ID:", "not read: TD_cButtons is 1"},
        WarningCase{"DuplicateKey", std::string("[TASK_1]\nType=5\nType=3\n") + kEnd,
                    "config.ini:3: warning: [TASK_1] Type:", "key appears twice"},
        WarningCase{"TaskSectionWithLeadingZero",
                    std::string("[TASK_1]\nType=5\n") + kEnd + "[TASK_02]\nType=5\n",
                    "config.ini:5: warning: [TASK_02] ", "Update never reads this section"},
        WarningCase{"UnknownSection", std::string("[Setup]\nA=1\n[TASK_1]\nType=5\n") + kEnd,
                    "config.ini:1: warning: [Setup] ", "Update does not read this section"},
        WarningCase{"UpdateDirInPath",
                    "[TASK_1]\nType=0\nPath=%UPDATEDIR%\\fw.exe\nRET_0x00000000=-1\nRET_0xFFFFFFFF=-1\n",
                    "config.ini:3: warning: [TASK_1] Path:", "Path does not replace %UPDATEDIR%"}),
    [](const ::testing::TestParamInfo<WarningCase>& info) { return std::string(info.param.name); });

TEST(TaskLintPackage, ProgramMissingFromPackageFolder) {
    const char list[] =
        "[TASK_1]\nType=0\nPath=tools\\Findling.exe\nParam=/HwID:PCI\\VEN_1234\nParam_S=/HwID:PCI\\VEN_1234\n"
        "WaitExit=TRUE\nRET_0x00000000=-1\n[TASK_2]\nType=11\n";
    PackageDir dir;
    dir.WriteText(list);
    LintRun r = dir.Lint();
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:", "tools\\Findling.exe is missing from the package folder");
    // Present, in another letter case: Windows finds it.
    dir.AddFile("TOOLS/findling.EXE");
    r = dir.Lint();
    EXPECT_EQ(r.code, 0) << r.out;
}

TEST(TaskLintPackage, AbsoluteAndExpandedPathsAreNotChecked) {
    LintRun r = LintText(
        "[TASK_1]\nType=0\nPath=C:\\Tools\\a.exe\nRET_0x00000000=2\nRET_0xFFFFFFFF=2\n"
        "[TASK_2]\nType=0\nPath=%ProgramFiles%\\b.exe\nRET_0x00000000=-1\nRET_0xFFFFFFFF=-1\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

}  // namespace
}  // namespace fwu::lint::test
