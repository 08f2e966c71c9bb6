// TaskLint's view of the two runs of a list (shown to a person, and silent),
// of the file read line by line as Update reads it, of the tool set's own
// programs that tasks start, and of values that cannot be right. Each case
// is a minimal list checked for its message, location and exit code.
#include "tasklint_testutil.h"
#include "tasklint_tools.h"

namespace fwu::lint::test {
namespace {

LintReport LintString(const std::string& text, LintOptions options = {}) {
    return LintConfigBytes(std::vector<uint8_t>(text.begin(), text.end()), options);
}

// A package folder with the tool set's programs beside Update and the
// config.ini the tools read (section MSG for Progress, OptpickSet0 for
// Optpick, Counter/Loop for Tallykeep).
class ToolPackage : public PackageDir {
public:
    ToolPackage() {
        for (const char* p : {"Update", "Findling", "Ailscan", "Romstamp", "Unbinder", "Portscout", "Progress",
                              "Optpick", "Tallykeep"})
            AddFile(std::string(p) + ".exe");
        WriteToolConfig(kToolConfig);
    }
    static constexpr const char* kToolConfig =
        "[MSG]\nIDS_STR_TITLE=Update\nIDC_STATIC_PROGRESS=Working\n"
        "[OptpickSet0]\nDesc1=Go on?\nCheck0=I have a backup\nOkBtn=OK\nCancelBtn=Cancel\n"
        "[Counter]\nLoop=3\n";
    void WriteToolConfig(const std::string& text, const std::string& relative = "config.ini") {
        std::filesystem::create_directories((Root() / relative).parent_path());
        WriteWholeFile(Root() / relative, std::vector<uint8_t>(text.begin(), text.end()));
    }
    void RemoveToolConfig() { std::filesystem::remove(Root() / "config.ini"); }
    LintRun LintList(const std::string& list) {
        WriteText(list);
        return Lint();
    }
};

// A task that starts `path` with the same options in both runs, waited for
// or not, and ends cleanly whatever the program answers.
std::string ToolTask(const std::string& path, const std::string& args, bool wait = true) {
    return "[TASK_1]\nType=0\nPath=" + path + "\nParam=" + args + "\nParam_S=" + args +
           "\nWaitExit=" + (wait ? "TRUE" : "FALSE") + "\nRET_0x00000000=-1\n[TASK_2]\nType=11\nData=1\n";
}

// --- the silent run -----------------------------------------------------------

TEST(TaskLintSilentRun, ResultsOfEachTaskType) {
    LintReport r = LintString(
        "[TASK_1]\nType=1\nMsgType=MB_OKCANCEL\nRET_0x00000001=2\nRET_0x00000002=2\nRET_0x00000006=2\n"
        "[TASK_2]\nType=10\nTD_CommonButtons=TDCBF_OK_BUTTON\nRET_0x00000001=3\nRET_0x00000006=3\n"
        "[TASK_3]\nType=5\nRET_0x00000000=4\nRET_0x00000001=4\n"
        "[TASK_4]\nType=3\nRET_0xFFFFFFFF=5\n[TASK_5]\nType=11\nData=3010\n");
    ResultSet box = SilentResults(r.tasks.at(1));
    EXPECT_EQ(box.values, std::set<uint32_t>{6});
    EXPECT_FALSE(box.any);
    EXPECT_TRUE(box.failures.empty());
    EXPECT_EQ(SilentResults(r.tasks.at(2)).values, std::set<uint32_t>{6});
    EXPECT_EQ(SilentResults(r.tasks.at(3)).values, (std::set<uint32_t>{0, 1}));
    EXPECT_EQ(SilentResults(r.tasks.at(4)).values, std::set<uint32_t>{0xFFFFFFFFu});
    // The run shown to a person gets the buttons, never the silent answer.
    EXPECT_EQ(r.tasks.at(1).interactive.results.values, (std::set<uint32_t>{1, 2}));
    EXPECT_TRUE(r.tasks.at(4).interactive.reachable);
    EXPECT_TRUE(r.tasks.at(4).silent.reachable);
    EXPECT_EQ(r.ExitCode(), 0);
}

TEST(TaskLintSilentRun, RestartThatLeadsBackToItself) {
    // Silent: the restart does nothing, gives 0xFFFFFFFF and runs again for
    // ever. Shown to a person, Windows ends the session.
    LintRun r = LintText("[TASK_1]\nType=3\nRET_0xFFFFFFFF=1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ", "silent run: loop with no way out: TASK_1 repeat for ever");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintSilentRun, YesBranchLoopsBackAlthoughNoLeaves) {
    LintRun r = LintText(
        "[TASK_1]\nType=1\nMsgType=MB_YESNO\nRET_0x00000006=2\nRET_0x00000007=-1\n[TASK_2]\nType=9\nGoto=1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ",
                  "silent run: loop with no way out: TASK_1, TASK_2 repeat for ever");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintSilentRun, ParameterTestWithoutDataAlwaysGivesOne) {
    LintRun r = LintText("[TASK_1]\nType=12\nRET_0x00000000=-1\nRET_0x00000001=1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ", "both runs: loop with no way out: TASK_1 repeat");
    ExpectFinding(r, "config.ini:3: warning: [TASK_1] RET_0x00000000:",
                  "a task of type 12 (parameter test) never gives the result 0x00000000");
    EXPECT_EQ(FindingCount(r), 2u) << r.out;
}

TEST(TaskLintSilentRun, ParameterTestForSilentOptionLoopsInTheSilentRun) {
    // Update /s finds its own /s (any letter case); a run shown to a person
    // was started without it, else it would be silent.
    LintRun r = LintText("[TASK_1]\nType=12\nData=/S\nRET_0x00000000=1\nRET_0x00000001=-1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ", "silent run: loop with no way out: TASK_1 repeat");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    r = LintText("[TASK_1]\nType=12\nData=/s\nRET_0x00000000=-1\nRET_0x00000001=1\n");
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:1: warning: [TASK_1] ", "interactive run: loop with no way out: TASK_1 repeat");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    // Any other argument may come from the starter's owner file: both answers.
    r = LintText("[TASK_1]\nType=12\nData=/quiet\nRET_0x00000000=1\nRET_0x00000001=-1\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

TEST(TaskLintSilentRun, LoopThatNoRunLeavesIsOneError) {
    LintRun r = LintText("[TASK_1]\nType=1\nMsgType=MB_OK\nRET_0x00000001=1\nRET_0x00000006=1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ", "both runs: loop with no way out: TASK_1 repeat");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintSilentRun, FallingOffTheListNamesItsRun) {
    // OK/Cancel both keyed: only the silent answer 6 falls through.
    LintRun r = LintText("[TASK_1]\nType=1\nMsgType=MB_OKCANCEL\nRET_0x00000001=-1\nRET_0x00000002=-1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ",
                  "silent run: the run falls off the end of the list here: the result 0x00000006 goes on with "
                  "TASK_2");
    // The silent answer keyed, Cancel not: only a person falls off.
    r = LintText("[TASK_1]\nType=1\nMsgType=MB_OKCANCEL\nRET_0x00000001=-1\nRET_0x00000006=-1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ",
                  "interactive run: the run falls off the end of the list here: the result 0x00000002");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    // A check falls off in either run: one finding.
    r = LintText("[TASK_1]\nType=5\nRET_0x00000000=-1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_1] ", "both runs: the run falls off the end of the list here");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintSilentRun, ProgramStartsWithParamS) {
    LintRun r = LintText(
        "[TASK_1]\nType=0\nPath=%WINDIR%\\flash.exe\nParam=/image:fw.bin\nRET_0x00000000=-1\n"
        "RET_0xFFFFFFFF=-1\n");
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:4: warning: [TASK_1] Param_S:",
                  "silent run: Param_S is empty: the program starts without arguments");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintSilentRun, ToolsOfTasksOnlyAPersonReachesAreCheckedForThatRunOnly) {
    // Task 2 follows only a "No": its Optpick never meets a silent run.
    ToolPackage pkg;
    LintRun r = pkg.LintList(
        "[TASK_1]\nType=1\nMsgType=MB_YESNO\nRET_0x00000006=-1\nRET_0x00000007=2\n"
        "[TASK_2]\nType=0\nPath=Optpick.exe\nParam=/MSG:0\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0x00000001=-1\n"
        "RET_0xFFFFFFFF=-1\n[TASK_3]\nType=11\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

// --- reading like Update ----------------------------------------------------------

TEST(TaskLintReading, NegativeSectionsAreTasks) {
    // Goto=-2 and RET_ 0xFFFFFFFE both name TASK_-2; after TASK_-2 comes -1,
    // the end of the run.
    LintRun r = LintText("[TASK_1]\nType=9\nGoto=-2\n[TASK_-2]\nType=13\n");
    EXPECT_EQ(r.code, 0) << r.out;
    r = LintText(
        "[TASK_1]\nType=5\nRET_0x00000000=0xFFFFFFFE\nRET_0x00000001=-1\n[TASK_-2]\nType=11\nData=1\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

TEST(TaskLintReading, TaskNumbersWrapIntoNegativeSections) {
    LintRun r = LintText("[TASK_2147483647]\nType=13\n[TASK_-2147483648]\nType=11\n", {L"--first", L"2147483647"});
    EXPECT_EQ(r.code, 0) << r.out;
    // Without it the run falls off at the wrapped number.
    r = LintText("[TASK_2147483647]\nType=13\n", {L"--first", L"2147483647"});
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: [TASK_2147483647] ", "goes on with TASK_-2147483648, which does not exist");
}

TEST(TaskLintReading, SectionsUpdateNeverFormsStayUnread) {
    for (const char* name : {"TASK_-0", "TASK_-01", "TASK_+2", "TASK_-2147483649"}) {
        LintRun r = LintText(std::string("[TASK_1]\nType=11\n[") + name + "]\nType=11\n");
        EXPECT_EQ(r.code, 1) << name;
        ExpectFinding(r, std::string("config.ini:3: warning: [") + name + "] ", "Update never reads this section");
    }
}

TEST(TaskLintReading, HeaderWithoutItsClosingBracket) {
    // Update opens no section: TASK_2 does not exist, and its keys count as
    // keys of TASK_1 (Type is already there, RET_0x00000000 is not).
    LintRun r = LintText(
        "[TASK_1]\nType=5\nRET_0x00000001=-1\n[TASK_2\nType=11\nRET_0x00000000=-1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:4: error: [TASK_1] ",
                  "'[TASK_2' lacks its closing bracket: Update opens no section here (a task named in it does not "
                  "load), and the keys below it count as keys of [TASK_1]");
    ExpectFinding(r, "config.ini:5: warning: [TASK_1] Type:", "key appears twice");
    // RET_0x00000000 of TASK_1 now ends the run: no path falls off.
    EXPECT_EQ(LinesWith(r.out, "falls off").size(), 0u) << r.out;
    EXPECT_EQ(FindingCount(r), 2u) << r.out;
}

TEST(TaskLintReading, HeaderWithoutBracketBeforeAnySection) {
    LintRun r = LintText("[TASK_1\nType=11\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:1: error: ", "'[TASK_1' lacks its closing bracket");
    ExpectFinding(r, "config.ini:1: error: ", "belong to no section and are never read");
    ExpectFinding(r, "config.ini:2: warning: ", "'Type=11' stands before the first section: Update never reads it");
    ExpectFinding(r, "config.ini:0: error: ", "the first task TASK_1 does not exist");
}

TEST(TaskLintReading, LineThatIsNoKey) {
    LintRun r = LintText("[TASK_1]\r\nType=5\r\n\r\n  wait a second  \r\nRET_0x00000000=-1\r\nRET_0x00000001=-1\r\n");
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:4: warning: [TASK_1] ",
                  "'wait a second' is neither a section header, a key=value line nor a comment: Update reads it as "
                  "a key without a value");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintReading, WhatAlreadyAgreesWithUpdateStays) {
    // Blanks around keys and values, quotes around a value, comments, blank
    // lines, RET_ keys in any letter case and numbers in hex.
    LintRun r = LintText(
        "; list\n\n[ TASK_1 ]\n  Type = 1 \nMsgType=\"MB_YESNO\"\nret_0x00000006 = 0x2\nRET_0x00000007=-1\n"
        "[TASK_2]\nType=11\nData='12'\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

// --- the tool set's programs --------------------------------------------------------

struct ToolCase {
    const char* name;
    std::string list;
    std::string location;
    std::string message;
    int code;
};

void PrintTo(const ToolCase& c, std::ostream* os) { *os << c.name; }

class TaskLintTool : public ::testing::TestWithParam<ToolCase> {};

TEST_P(TaskLintTool, IsReportedWithItsRunAndLocation) {
    const ToolCase& c = GetParam();
    ToolPackage pkg;
    LintRun r = pkg.LintList(c.list);
    EXPECT_EQ(r.code, c.code) << r.out;
    ExpectFinding(r, c.location, c.message);
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

const char kEndAll[] = "RET_0x00000000=-1\nRET_0x00000001=-1\nRET_0xFFFFFFFF=-1\n[TASK_2]\nType=11\nData=1\n";

INSTANTIATE_TEST_SUITE_P(
    Options, TaskLintTool,
    ::testing::Values(
        ToolCase{"OptpickSilentWithoutS",
                 std::string("[TASK_1]\nType=0\nPath=Optpick.exe\nParam=/MSG:0\nParam_S=/MSG:0\nWaitExit=TRUE\n") +
                     kEndAll,
                 "config.ini:5: error: [TASK_1] Param_S:",
                 "silent run: Optpick without /s shows its dialog and waits for a person", 2},
        ToolCase{"OptpickReturnBySilentAlone",
                 std::string("[TASK_1]\nType=0\nPath=optpick\nParam=/MSG:0\nParam_S=/ReturnBySilent:1\n"
                             "WaitExit=TRUE\n") +
                     kEndAll,
                 "config.ini:5: error: [TASK_1] Param_S:",
                 "silent run: Optpick without /s shows its dialog and waits for a person: /ReturnBySilent: alone "
                 "does not make it silent",
                 2},
        ToolCase{"OptpickSilentWithoutAnswer",
                 std::string("[TASK_1]\nType=0\nPath=Optpick.exe\nParam=/MSG:0\nParam_S=/s /ReturnBySilent:\n"
                             "WaitExit=TRUE\n") +
                     kEndAll,
                 "config.ini:5: warning: [TASK_1] Param_S:",
                 "silent run: Optpick /s without /ReturnBySilent:N exits with 0, the answer of OK, as if a person "
                 "had confirmed",
                 1},
        ToolCase{"OptpickReturnBySilentNotANumber",
                 std::string("[TASK_1]\nType=0\nPath=Optpick.exe\nParam=/MSG:0\nParam_S=/s /ReturnBySilent:3x\n"
                             "WaitExit=TRUE\n") +
                     kEndAll,
                 "config.ini:5: warning: [TASK_1] Param_S:",
                 "silent run: /ReturnBySilent:3x is not a number: Optpick exits with 0 in silent mode", 1},
        ToolCase{"ProgressOnWaitedFor", ToolTask("Progress.exe", "/ON"), "config.ini:4: error: [TASK_1] Param:",
                 "both runs: Progress /ON runs until a Progress /OFF closes its window: waiting for it "
                 "(WaitExit=TRUE) never ends",
                 2},
        ToolCase{"ProgressOffNotWaitedFor",
                 "[TASK_1]\nType=0\nPath=Progress.exe\nParam=/OFF\nParam_S=/OFF\nRET_0x00000000=-1\n"
                 "RET_0xFFFFFFFF=-1\n",
                 "config.ini:4: warning: [TASK_1] Param:", "both runs: Progress /OFF is not waited for", 1},
        ToolCase{"ProgressWithoutMode", ToolTask("Progress.exe", "/LOG:p.log"),
                 "config.ini:4: warning: [TASK_1] Param:", "Progress without /ON, /OFF or /Silent does nothing", 1},
        ToolCase{"TallykeepWithoutLoop", ToolTask("Tallykeep.exe", "/increment"),
                 "config.ini:4: error: [TASK_1] Param:", "both runs: Tallykeep without /loop counts nothing", 2},
        ToolCase{"TallykeepWithoutOperation", ToolTask("Tallykeep.exe", "/loop"),
                 "config.ini:4: error: [TASK_1] Param:",
                 "Tallykeep without /check, /increment or /delete counts nothing and exits with 5", 2},
        ToolCase{"FindlingWithoutHwID", ToolTask(".\\FINDLING.EXE", "/LOG:f.log"),
                 "config.ini:4: error: [TASK_1] Param:", "Findling without /HwID: looks at no device", 2},
        ToolCase{"RomstampWithoutVer", ToolTask("Romstamp", "/HwID:USB\\VID_1234"),
                 "config.ini:4: error: [TASK_1] Param:", "Romstamp without /HwID: and /Ver: looks at no device", 2},
        ToolCase{"AilscanWithoutHwID", ToolTask("Ailscan.exe", "/ProbCode:28"),
                 "config.ini:4: error: [TASK_1] Param:", "Ailscan without /HwID: and /ProbCode:", 2},
        ToolCase{"AilscanValueUnderAnotherName", ToolTask("Ailscan.exe", "/HwID:PCI\\VEN_1 /Code:28"),
                 "config.ini:4: error: [TASK_1] Param:",
                 "Ailscan without /HwID: and /ProbCode: looks at no device and exits with 5 (/Code: is not an "
                 "option of Ailscan)",
                 2},
        ToolCase{"UnbinderWithoutHwID", ToolTask("Unbinder.exe", "\"/HwID:\""),
                 "config.ini:4: error: [TASK_1] Param:", "Unbinder without /HwID: removes nothing", 2},
        ToolCase{"PortscoutWithoutIds", ToolTask("Portscout.exe", "/VID:0ABC /TYPE:1"),
                 "config.ini:4: error: [TASK_1] Param:", "Portscout without a /VID: or /PID: number", 2},
        ToolCase{"ToolAnswerNotWaitedFor", ToolTask("Findling.exe", "/HwID:PCI\\VEN_8086", false),
                 "config.ini:4: warning: [TASK_1] Param:",
                 "Findling answers through its exit code, but the task does not wait for it", 1},
        ToolCase{"OptionsOnlyInOneRun",
                 "[TASK_1]\nType=0\nPath=Findling.exe\nParam=/HwID:PCI\\VEN_8086\nWaitExit=TRUE\n"
                 "RET_0x00000000=-1\n[TASK_2]\nType=11\n",
                 "config.ini:3: error: [TASK_1] Param_S:",
                 "silent run: Findling without /HwID: looks at no device", 2},
        ToolCase{"RomstampVersionComparedAsText",
                 "[TASK_1]\nType=0\nPath=Romstamp.exe\nParam=/HwID:USB\\VID_1234 /Ver:2.10\n"
                 "Param_S=/HwID:USB\\VID_1234 /Ver:2.10\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0x00000001=-1\n"
                 "RET_0xFFFFFFFF=2\n[TASK_2]\nType=11\nData=1\n",
                 "config.ini:4: warning: [TASK_1] Param:",
                 "both runs: Romstamp compares /Ver:2.10 as text, not as a number: a device value of 2.9 sorts "
                 "after it (exit code 1) although it is lower",
                 1},
        ToolCase{"AilscanCodeComparedAsText",
                 "[TASK_1]\nType=0\nPath=Ailscan.exe\nParam=/HwID:PCI\\VEN_1 /ProbCode:10\n"
                 "Param_S=/HwID:PCI\\VEN_1 /ProbCode:10\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0x00000001=2\n"
                 "RET_0xFFFFFFFF=-1\n[TASK_2]\nType=11\nData=1\n",
                 "config.ini:4: warning: [TASK_1] Param:",
                 "Ailscan compares /ProbCode:10 as text, not as a number: a device value of 9 sorts after it", 1}),
    [](const ::testing::TestParamInfo<ToolCase>& info) { return std::string(info.param.name); });

TEST(TaskLintTools, TextOrderOnlyMattersWhenTheTaskBranchesOnIt) {
    // 1 and 0xFFFFFFFF lead to the same task: only "equal" is used.
    ToolPackage pkg;
    LintRun r = pkg.LintList(
        "[TASK_1]\nType=0\nPath=Romstamp.exe\nParam=/HwID:X /Ver:2.10\nParam_S=/HwID:X /Ver:2.10\nWaitExit=TRUE\n"
        "RET_0x00000000=-1\nRET_0x00000001=2\nRET_0xFFFFFFFF=2\n[TASK_2]\nType=11\nData=1\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

TEST(TaskLintTools, TextOrderCounterexamples) {
    EXPECT_EQ(TextOrderCounterexample(L"2.10"), std::optional<std::wstring>(L"2.9"));
    EXPECT_EQ(TextOrderCounterexample(L"1.9"), std::optional<std::wstring>(L"1.10"));
    EXPECT_EQ(TextOrderCounterexample(L"10"), std::optional<std::wstring>(L"9"));
    EXPECT_EQ(TextOrderCounterexample(L"28"), std::optional<std::wstring>(L"9"));
    // 0 and 1 sort as text as they do as numbers against every width.
    EXPECT_EQ(TextOrderCounterexample(L"0"), std::nullopt);
    EXPECT_EQ(TextOrderCounterexample(L"1.0"), std::nullopt);
    // Not a dotted or plain number: nothing to say.
    EXPECT_EQ(TextOrderCounterexample(L"1.2a"), std::nullopt);
    EXPECT_EQ(TextOrderCounterexample(L"v2"), std::nullopt);
    EXPECT_EQ(TextOrderCounterexample(L"2..1"), std::nullopt);
}

TEST(TaskLintTools, ArgumentsAreSplitAsWindowsSplitsThem) {
    EXPECT_EQ(SplitArguments(L"  /a  \"/b c\" d\\\"e \"f\\\\\" g"),
              (std::vector<std::wstring>{L"/a", L"/b c", L"d\"e", L"f\\", L"g"}));
    EXPECT_EQ(SplitArguments(L"/HwID:\"USB\\VID_1 X\" /Ver:1"),
              (std::vector<std::wstring>{L"/HwID:USB\\VID_1 X", L"/Ver:1"}));
    EXPECT_TRUE(SplitArguments(L" \t ").empty());
}

TEST(TaskLintTools, ToolsAreKnownByTheirFileName) {
    EXPECT_EQ(ToolOfPath(L"Progress.exe"), PackageTool::Progress);
    EXPECT_EQ(ToolOfPath(L"%UPDATEDIR%\\tools\\TALLYKEEP.EXE"), PackageTool::Tallykeep);
    EXPECT_EQ(ToolOfPath(L"C:\\pkg/optpick"), PackageTool::Optpick);
    EXPECT_EQ(ToolOfPath(L"Progress2.exe"), PackageTool::None);
    EXPECT_EQ(ToolOfPath(L"Findling.exe.bak"), PackageTool::None);
}

// --- the tools' own config.ini ----------------------------------------------------------

TEST(TaskLintToolConfig, ProgressOnWithoutConfig) {
    ToolPackage pkg;
    pkg.RemoveToolConfig();
    LintRun r = pkg.LintList(ToolTask("Progress.exe", "/ON", false));
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:3: error: [TASK_1] Path:",
                  "both runs: Progress /ON finds no config.ini beside it: it shows the blocking box \"Ini file is not "
                  "found.\" (also in a silent run) and exits with 1");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    // /Silent reads no file.
    r = pkg.LintList(
        "[TASK_1]\nType=0\nPath=Progress.exe\nParam=/ON\nParam_S=/Silent\nRET_0x00000000=-1\nRET_0xFFFFFFFF=-1\n");
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:3: error: [TASK_1] Path:", "interactive run: Progress /ON finds no config.ini");
}

TEST(TaskLintToolConfig, FalsifiedConfigBesideTheTool) {
    ToolPackage pkg;
    IniDocument doc = ParseIni(FromUtf8(ToolPackage::kToolConfig));
    for (auto& s : doc.sections)
        for (auto& e : s.entries) e.value = EncodeSealedValue(e.value);
    std::vector<uint8_t> bytes = SerializeIniUtf16(doc);
    AppendTrailer(bytes);
    WriteWholeFile(pkg.Root() / "config.ini", bytes);
    // Sealed and intact: read decoded, nothing to say.
    LintRun r = pkg.LintList(ToolTask("Progress.exe", "/ON", false));
    EXPECT_EQ(r.code, 0) << r.out;
    bytes[20] ^= 1;
    WriteWholeFile(pkg.Root() / "config.ini", bytes);
    r = pkg.Lint();
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:3: error: [TASK_1] Path:",
                  "both runs: config.ini fails its integrity check: Progress /ON shows the blocking box \"Falsify ini "
                  "file.\"");
    r = pkg.LintList(ToolTask("Optpick.exe", "/s /ReturnBySilent:1"));
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:3: error: [TASK_1] Path:",
                  "config.ini fails its integrity check: Optpick exits with 6");
}

TEST(TaskLintToolConfig, SectionsAndKeysTheToolReads) {
    ToolPackage pkg;
    pkg.WriteToolConfig("[MSG]\nIDS_STR_TITLE=Update\n[OptpickSet0]\nDesc1=x\n[Counter]\nLoop=\n");
    LintRun r = pkg.LintList(ToolTask("Progress.exe", "/ON", false));
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:",
                  "both runs: config.ini has no [MSG] IDC_STATIC_PROGRESS: the waiting window shows no text");
    r = pkg.LintList(ToolTask("Optpick.exe", "/MSG:2"));
    EXPECT_EQ(r.code, 2);  // and the silent run waits for a person
    ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:",
                  "both runs: config.ini has no section [OptpickSet2] for /MSG:2");
    r = pkg.LintList(ToolTask("Tallykeep.exe", "/check /loop"));
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:",
                  "config.ini has no [Counter] Loop: Tallykeep /check uses its built-in limit 1");
    for (const char* limit : {"0", "none", "-3", "0x0"}) {
        pkg.WriteToolConfig(std::string("[Counter]\nLoop=") + limit + "\n");
        r = pkg.LintList(ToolTask("Tallykeep.exe", "/check /loop"));
        EXPECT_EQ(r.code, 1) << limit;
        ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:",
                      std::string("config.ini has [Counter] Loop=") + limit + ", a limit of ");
        ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:",
                      "Tallykeep /check gives 1 (limit reached) from the first call on");
    }
    pkg.WriteToolConfig("[Counter]\nLoop=0x3\n");
    r = pkg.LintList(ToolTask("Tallykeep.exe", "/check /loop"));
    EXPECT_EQ(r.code, 0) << r.out;
    // Tallykeep without a file: the built-in limit too.
    pkg.RemoveToolConfig();
    r = pkg.LintList(ToolTask("Tallykeep.exe", "/check /loop"));
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:", "Tallykeep /check finds no config.ini beside it");
    // Other operations read no file.
    r = pkg.LintList(ToolTask("Tallykeep.exe", "/increment /loop"));
    EXPECT_EQ(r.code, 0) << r.out;
}

TEST(TaskLintToolConfig, LanguageCopiesAndToolsInSubfolders) {
    ToolPackage pkg;
    pkg.WriteToolConfig("[MSG]\nIDC_STATIC_PROGRESS=Bitte warten\n", "de-DE/config.ini");
    LintRun r = pkg.LintList(ToolTask("Progress.exe", "/ON", false));
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:", "de-DE\\config.ini has no [MSG] IDS_STR_TITLE");
    // Only a German copy: other machines find none.
    pkg.RemoveToolConfig();
    r = pkg.LintList(ToolTask("Progress.exe", "/ON", false));
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:3: warning: [TASK_1] Path:",
                  "both runs: Progress finds its config.ini only in language folders (de-DE): on a machine in "
                  "another language it finds none");
    // A tool in a subfolder reads the config.ini there.
    pkg.AddFile("tools/Progress.exe");
    r = pkg.LintList(ToolTask("tools\\Progress.exe", "/ON", false));
    EXPECT_EQ(r.code, 2);
    ExpectFinding(r, "config.ini:3: error: [TASK_1] Path:", "Progress /ON finds no config.ini beside it");
}

TEST(TaskLintToolConfig, EachProblemOfAFileOnce) {
    ToolPackage pkg;
    pkg.RemoveToolConfig();
    LintRun r = pkg.LintList(
        "[TASK_1]\nType=0\nPath=Tallykeep.exe\nParam=/check /loop\nParam_S=/check /loop\nWaitExit=TRUE\n"
        "RET_0x00000000=2\nRET_0x00000001=-1\n[TASK_2]\nType=0\nPath=Tallykeep.exe\nParam=/check /loop\n"
        "Param_S=/check /loop\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0x00000001=-1\n[TASK_3]\nType=11\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(LinesWith(r.out, "finds no config.ini").size(), 1u) << r.out;
}

// --- values that cannot be right -----------------------------------------------------------

struct ValueCase {
    const char* name;
    std::string list;
    std::string location;
    std::string message;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class TaskLintValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(TaskLintValue, IsAWarningWithItsLocation) {
    const ValueCase& c = GetParam();
    LintRun r = LintText(c.list);
    EXPECT_EQ(r.code, 1) << r.out;
    ExpectFinding(r, c.location, c.message);
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

const char kDialogEnd[] = "RET_0x00000001=-1\nRET_0x00000006=-1\n";

INSTANTIATE_TEST_SUITE_P(
    Values, TaskLintValue,
    ::testing::Values(
        ValueCase{"NegativeAfterWait", "[TASK_1]\nType=13\nAfterWait=-1\nRET_0x00000000=-1\n",
                  "config.ini:3: warning: [TASK_1] AfterWait:",
                  "a negative AfterWait reads as a pause of 4294967295 milliseconds (49.7 days"},
        ValueCase{"NegativeTdWidth", std::string("[TASK_1]\nType=10\nTD_Width=-300\n") + kDialogEnd,
                  "config.ini:3: warning: [TASK_1] TD_Width:",
                  "a negative TD_Width (-300) is not used: Update lets the task dialog choose its own width, "
                  "as with 0"},
        ValueCase{"DefaultButtonNoButtonHas",
                  std::string("[TASK_1]\nType=10\nTD_cButtons=1\nTD_Button0_ID=101\nTD_Button0_Text=Go\n"
                              "TD_DefaultButton=102\nRET_0x00000065=-1\nRET_0x00000006=-1\n"),
                  "config.ini:6: warning: [TASK_1] TD_DefaultButton:", "no button of the dialog has the id 102"},
        ValueCase{"DefaultRadioNoRadioHas",
                  "[TASK_1]\nType=10\nTD_cRadioButtons=1\nTD_Radio0_ID=201\nTD_Radio0_Text=A\n"
                  "TD_DefaultRadioButton=7\nRET_0x00C90001=-1\nRET_0x00000006=-1\n",
                  "config.ini:6: warning: [TASK_1] TD_DefaultRadioButton:",
                  "no radio button of the dialog has the id 7"},
        ValueCase{"ButtonGroupsOrTogether",
                  "[TASK_1]\nType=1\nMsgType=MB_YESNO,MB_OKCANCEL\nRET_0x00000004=-1\nRET_0x00000002=-1\n"
                  "RET_0x00000006=-1\n",
                  "config.ini:3: warning: [TASK_1] MsgType:",
                  "MB_YESNO and MB_OKCANCEL each choose the buttons: together they read as 0x5, which is neither"},
        ValueCase{"IconGroupsOrTogether",
                  "[TASK_1]\nType=1\nMsgType=MB_ICONWARNING, MB_ICONINFORMATION\nRET_0x00000001=-1\n"
                  "RET_0x00000006=-1\n",
                  "config.ini:3: warning: [TASK_1] MsgType:", "each choose the icon: together they read as 0x70"},
        ValueCase{"ReturnValueNotANumber", "[TASK_1]\nType=11\nData=failed\n",
                  "config.ini:3: warning: [TASK_1] Data:",
                  "'failed' is not a number: the run ends with exit code 0"},
        ValueCase{"ReturnValueBeyond32Bits", "[TASK_1]\nType=11\nData=99999999999\n",
                  "config.ini:3: warning: [TASK_1] Data:",
                  "'99999999999' does not fit in 32 bits: the run ends with exit code 1215752191"},
        ValueCase{"BranchBeyond32Bits", "[TASK_1]\nType=13\nRET_0x00000000=4294967298\n[TASK_2]\nType=11\nData=0\n",
                  "config.ini:3: warning: [TASK_1] RET_0x00000000:",
                  "'4294967298' does not fit in 32 bits: Update reads it as 2"},
        ValueCase{"HexAfterWaitBeyond32Bits", "[TASK_1]\nType=13\nAfterWait=0x100000BB8\nRET_0x00000000=-1\n",
                  "config.ini:3: warning: [TASK_1] AfterWait:",
                  "'0x100000BB8' does not fit in 32 bits: Update reads it as 3000"},
        ValueCase{"TypeBeyond32Bits", "[TASK_1]\nType=4294967307\nData=12\n",
                  "config.ini:2: warning: [TASK_1] Type:",
                  "'4294967307' does not fit in 32 bits: Update reads it as 11"},
        ValueCase{"ShutdownWord", "[TASK_1]\nType=2\nData=hybrid\nRET_0xFFFFFFFF=2\n[TASK_2]\nType=11\nData=3010\n",
                  "config.ini:3: warning: [TASK_1] Data:", "'hybrid' reads as a plain shutdown"}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(TaskLintValues, SoundValuesSayNothing) {
    LintRun r = LintText(
        "[TASK_1]\nType=10\nTD_Width=300\nTD_CommonButtons=TDCBF_YES_BUTTON,TDCBF_NO_BUTTON\nTD_DefaultButton=7\n"
        "AfterWait=1000\nRET_0x00000006=2\nRET_0x00000007=-1\n"
        "[TASK_2]\nType=1\nMsgType=MB_ICONERROR,MB_ICONSTOP,MB_OK\nRET_0x00000001=3\nRET_0x00000006=3\n"
        "[TASK_3]\nType=2\nData=HYBRID_SHUTDOWN\nRET_0xFFFFFFFF=4\n[TASK_4]\nType=11\nData=0x10\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

TEST(TaskLintValues, NumbersAtThe32BitEdgesSayNothing) {
    LintRun r = LintText(
        "[TASK_1]\nType=13\nRET_0x00000000=0xFFFFFFFE\n[TASK_-2]\nType=13\nRET_0x00000000=4294967293\n"
        "[TASK_-3]\nType=13\nRET_0x00000000=-2147483648\n[TASK_-2147483648]\nType=13\nAfterWait=0x00000001\n"
        "RET_0x00000000=0x0000000000000005\n[TASK_5]\nType=11\nData=4294967295\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

}  // namespace
}  // namespace fwu::lint::test
