// TaskLint's dry run (--trace): the log lines and exit code of a run with
// given results, silent and not, its endings and its bound on loops.
#include <cstdlib>

#include "tasklint_testutil.h"
#include "tasklint_trace.h"

namespace fwu::lint::test {
namespace {

using Lines = std::vector<std::string>;

TraceResult Trace(const std::string& text, TraceOptions options = {}) {
    return TraceConfigBytes(std::vector<uint8_t>(text.begin(), text.end()), options);
}

TraceOptions Silent(std::map<uint32_t, std::vector<uint32_t>> results = {}) {
    TraceOptions o;
    o.silent = true;
    o.results = std::move(results);
    return o;
}

Lines Utf8(const std::vector<std::wstring>& lines) {
    Lines out;
    for (const auto& l : lines) out.push_back(ToUtf8(l));
    return out;
}

// The "TASK n." lines, the numbers only.
std::vector<int> TaskOrder(const TraceResult& r) {
    std::vector<int> order;
    for (const auto& l : r.lines)
        if (l.rfind(L"TASK ", 0) == 0) order.push_back(std::stoi(ToUtf8(l.substr(5))));
    return order;
}

// Sets or removes a variable of this process's environment.
void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

void UnsetEnv(const char* name) {
#ifdef _WIN32
    ::_putenv_s(name, "");  // an empty value removes the variable
#else
    ::unsetenv(name);
#endif
}

bool HasNote(const TraceResult& r, const std::string& needle) {
    for (const auto& n : r.notes)
        if (ToUtf8(n).find(needle) != std::string::npos) return true;
    return false;
}

const char kSkip[] = "[CERT]\nVERIFY=OFF\n";

TEST(TaskLintTrace, SilentRunWritesUpdatesLinesAndEndsWithTheReturnValue) {
    TraceOptions o = Silent({{1, {0x80000001u}}});
    o.updateFolder = L"C:\\Pkg";
    TraceResult r = Trace(std::string(kSkip) +
                              "[TASK_1]\nType=0\nPath=tool.exe\nParam=/ui\nParam_S=/quiet\nWaitExit=TRUE\n"
                              "RET_0x80000001=4\n"
                              "[TASK_4]\nType=1\nMsgType=MB_YESNO\nRET_0x00000006=7\n"
                              "[TASK_7]\nType=3\nRET_0xFFFFFFFF=8\n"
                              "[TASK_8]\nType=11\nData=0xBC2\n",
                          o);
    EXPECT_EQ(Utf8(r.lines), (Lines{"TASK 1.", "Skip trust check.", "  Exec: \"C:\\Pkg\\tool.exe\" /quiet.",
                                    "Execute return code 0x00000000.", "return code 0x80000001.", "TASK 4.",
                                    "Skip trust check.", "Execute return code 0x00000006.",
                                    "return code 0x00000006.", "TASK 7.", "Skip trust check.",
                                    "Execute return code 0xFFFFFFFF.", "return code 0xFFFFFFFF.", "TASK 8.",
                                    "Skip trust check.", "Execute return code 0x00000BC2.",
                                    "return code 0x00000BC2.", "end by return value task.", "return 3010."}));
    EXPECT_EQ(r.end, TraceEnd::Returned);
    EXPECT_EQ(r.exitCode, 3010u);
    EXPECT_EQ(r.tasks, 4u);
    EXPECT_EQ(ToUtf8(FormatTrace(r)).substr(ToUtf8(FormatTrace(r)).rfind("return")),
              "return 3010.\nexit code: 0x00000BC2 (3010)\n");
}

TEST(TaskLintTrace, DefaultsPerTypeInASilentRun) {
    // A waited program gives 0, a box and a task dialog 6, a restart and a
    // shutdown 0xFFFFFFFF, the WOW64 test 1 (64-bit Update), the board and
    // disk checks their "not found" results, a page 0.
    TraceResult r = Trace(std::string(kSkip) +
                          "[TASK_1]\nType=0\nPath=a.exe\nWaitExit=TRUE\nRET_0x00000000=2\nRET_0x00000001=-1\n"
                          "[TASK_2]\nType=1\nRET_0x00000006=3\n"
                          "[TASK_3]\nType=10\nTD_CommonButtons=TDCBF_OK_BUTTON\nRET_0x00000006=4\n"
                          "[TASK_4]\nType=2\nRET_0xFFFFFFFF=5\n"
                          "[TASK_5]\nType=5\nRET_0x00000001=6\n"
                          "[TASK_6]\nType=6\nData=Board\nRET_0xFFFFFFFF=7\n"
                          "[TASK_7]\nType=7\nData=Disk\nRET_0x00000001=8\n"
                          "[TASK_8]\nType=8\nData=1.0\nRET_0xFFFFFFFF=9\n"
                          "[TASK_9]\nType=4\nURL=http://x\nRET_0x00000000=10\n"
                          "[TASK_10]\nType=12\nData=/s\nRET_0x00000000=11\n"
                          "[TASK_11]\nType=13\nRET_0x00000000=-1\n",
                          Silent());
    EXPECT_EQ(TaskOrder(r), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(Utf8(r.lines).back(), "return 0.");
    EXPECT_EQ(r.exitCode, 0u);
    // A silent page writes no URL line; the end of the run by -1.
    for (const auto& l : Utf8(r.lines)) EXPECT_EQ(l.find("URL:"), std::string::npos);
    EXPECT_EQ(Utf8(r.lines)[r.lines.size() - 2], "end index.");
    EXPECT_TRUE(HasNote(r, "TASK_6 (base board check)"));
    EXPECT_TRUE(HasNote(r, "TASK_1 (program): the program's exit code is not given: 0 assumed"));
}

TEST(TaskLintTrace, GivenResultsPerRunAndTypesWhoseResultIsFixed) {
    // Task 2 counts: it gives 0 twice, then 1 for ever.
    const std::string list = std::string(kSkip) +
                             "[TASK_1]\nType=0\nPath=a.exe\nWaitExit=FALSE\nRET_0x00000005=-1\n"
                             "[TASK_2]\nType=0\nPath=count.exe\nWaitExit=TRUE\nRET_0x00000000=1\n"
                             "RET_0x00000001=3\n"
                             "[TASK_3]\nType=1\nRET_0x00000006=-1\n";
    TraceResult r = Trace(list, Silent({{1, {5}}, {2, {0, 0, 1}}, {3, {7}}}));
    EXPECT_EQ(TaskOrder(r), (std::vector<int>{1, 2, 1, 2, 1, 2, 3}));
    // Without WaitExit Update never sees the exit code: the result is 0.
    EXPECT_TRUE(HasNote(r, "TASK_1 (program) does not take a given result"));
    // A silent box answers 6 whatever is given.
    EXPECT_TRUE(HasNote(r, "TASK_3 (message box) does not take a given result"));
    EXPECT_EQ(r.exitCode, 0u);
}

TEST(TaskLintTrace, InteractiveRunUsesParamDefaultButtonsAndGivenAnswers) {
    TraceOptions o;
    o.updateFolder = L"C:\\Pkg";
    o.results = {{3, {2}}};
    const std::string list = std::string(kSkip) +
                             "[TASK_1]\nType=0\nPath=tool.exe\nParam=/ui\nParam_S=/quiet\nMethod=ShellExecuteEx\n"
                             "[TASK_2]\nType=1\nMsgType=MB_YESNO,MB_DEFBUTTON2\nRET_0x00000007=3\n"
                             "[TASK_3]\nType=1\nMsgType=MB_OKCANCEL\nRET_0x00000002=4\n"
                             "[TASK_4]\nType=10\nTD_cButtons=1\nTD_Button0_ID=101\nTD_Button0_Text=Go\n"
                             "RET_0x00000065=5\n"
                             "[TASK_5]\nType=4\nURL=https://example.com/\nRET_0x00000000=6\n"
                             "[TASK_6]\nType=12\nData=/s\nRET_0x00000001=-1\n";
    TraceResult r = Trace(list, o);
    Lines lines = Utf8(r.lines);
    EXPECT_EQ(lines[2], "  Exec: \"C:\\Pkg\\tool.exe\" /ui.");
    EXPECT_EQ(TaskOrder(r), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  TaskDialogIndirect Success 0x00000065."), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  URL: https://example.com/."), lines.end());
    EXPECT_EQ(r.exitCode, 0u);

    // The same list silent: the boxes answer 6, /s is a stored argument.
    r = Trace(list, Silent({{3, {2}}}));
    EXPECT_EQ(TaskOrder(r), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Utf8(r.lines).back(), "return 9.");
}

TEST(TaskLintTrace, MissingSectionsAndBadTypesEndWithNine) {
    TraceResult r = Trace(std::string(kSkip) + "[TASK_1]\nType=9\nGoto=3\n", Silent());
    EXPECT_EQ(Utf8(r.lines), (Lines{"TASK 1.", "Skip trust check.", "Execute return code 0x00000003.",
                                    "return code 0x00000003.", "Load failed 3.", "return 9."}));
    EXPECT_EQ(r.exitCode, 9u);

    r = Trace("[TASK_1]\nType=14\n[TASK_2]\nType=11\n", Silent());
    EXPECT_EQ(Utf8(r.lines), (Lines{"Load failed 1.", "return 9."}));
    r = Trace("[TASK_1]\nData=1\n", Silent());
    EXPECT_EQ(Utf8(r.lines), (Lines{"Load failed 1.", "return 9."}));
    r = Trace("[TASK_1]\nType=11\nData=1\n", [] { TraceOptions o = Silent(); o.firstTask = 5; return o; }());
    EXPECT_EQ(Utf8(r.lines), (Lines{"Load failed 5.", "return 9."}));
}

TEST(TaskLintTrace, NegativeSectionsAndWrappedNumbersAsUpdateNamesThem) {
    // Goto=-2 and RET_ 0xFFFFFFFE both name the section TASK_-2.
    TraceResult r = Trace(std::string(kSkip) +
                              "[TASK_1]\nType=9\nGoto=-2\n"
                              "[TASK_-2]\nType=0\nPath=a.exe\nWaitExit=TRUE\nRET_0x00000001=0xFFFFFFFE\n"
                              "RET_0x00000000=2147483647\n"
                              "[TASK_2147483647]\nType=5\nRET_0x00000000=-1\n",
                          Silent({{0xFFFFFFFEu, {1, 0}}}));
    EXPECT_EQ(TaskOrder(r), (std::vector<int>{1, -2, -2, 2147483647}));
    Lines lines = Utf8(r.lines);
    // Past 2147483647 the next number wraps to -2147483648, which is missing.
    EXPECT_EQ(lines[lines.size() - 2], "Load failed -2147483648.");
    EXPECT_EQ(r.exitCode, 9u);
}

TEST(TaskLintTrace, ReturnValuesKeepAll32Bits) {
    TraceResult r = Trace("[TASK_1]\nType=11\nData=0xFFFFFFFE\n", Silent());
    EXPECT_EQ(Utf8(r.lines).back(), "return -2.");
    EXPECT_EQ(r.exitCode, 0xFFFFFFFEu);
    EXPECT_NE(ToUtf8(FormatTrace(r)).find("exit code: 0xFFFFFFFE (4294967294)\n"), std::string::npos);
    // Odd values, text and an empty value as Update reads them.
    EXPECT_EQ(Trace("[TASK_1]\nType=11\nData=12abc\n", Silent()).exitCode, 12u);
    EXPECT_EQ(Trace("[TASK_1]\nType=11\nData=abc\n", Silent()).exitCode, 0u);
    EXPECT_EQ(Trace("[TASK_1]\nType=11\nData=-1\n", Silent()).exitCode, 0xFFFFFFFFu);
}

TEST(TaskLintTrace, ToolsThatCannotWorkInTheRunAreNoted) {
    // A waited Progress /ON never returns; the silent Optpick without /s
    // waits for a person. The trace goes on with the given results and says so.
    std::string list = std::string(kSkip) +
                       "[TASK_1]\nType=0\nPath=Progress.exe\nParam_S=/ON\nWaitExit=TRUE\n"
                       "[TASK_2]\nType=0\nPath=Optpick.exe\nParam_S=/MSG:0\nWaitExit=TRUE\n"
                       "[TASK_3]\nType=0\nPath=Optpick.exe\nParam_S=/s /ReturnBySilent:0\nWaitExit=TRUE\n"
                       "RET_0x00000000=-1\n";
    TraceResult r = Trace(list, Silent());
    EXPECT_EQ(r.end, TraceEnd::Returned);
    EXPECT_EQ(TaskOrder(r), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(HasNote(r, "TASK_1: Progress /ON runs until a Progress /OFF closes its window: waiting for it "
                           "(WaitExit=TRUE) never ends"));
    EXPECT_TRUE(HasNote(r, "TASK_2: Optpick without /s shows its dialog and waits for a person"));
    EXPECT_FALSE(HasNote(r, "TASK_3: Optpick"));
    // Shown to a person, the same Optpick (with Param, here empty) is fine.
    TraceOptions o;
    r = Trace(list, o);
    EXPECT_FALSE(HasNote(r, "TASK_2: Optpick"));
}

TEST(TaskLintTrace, ALoopStopsAtTheBound) {
    TraceOptions o = Silent();
    o.maxTasks = 50;
    TraceResult r = Trace("[TASK_1]\nType=9\nGoto=2\n[TASK_2]\nType=5\nRET_0x00000001=1\n", o);
    EXPECT_EQ(r.end, TraceEnd::Stopped);
    EXPECT_EQ(r.tasks, 50u);
    EXPECT_EQ(TaskOrder(r).size(), 50u);
    std::string text = ToUtf8(FormatTrace(r));
    for (const auto& l : Utf8(r.lines)) EXPECT_TRUE(l.rfind("return ", 0) != 0 || l.rfind("return code", 0) == 0) << l;
    EXPECT_NE(text.find("stopped after 50 tasks: the run does not end (loop)\n"), std::string::npos);
    // A loop that a counter leaves after three rounds does end.
    o.results = {{2, {1, 1, 0}}};
    r = Trace("[TASK_1]\nType=9\nGoto=2\n[TASK_2]\nType=5\nRET_0x00000001=1\nRET_0x00000000=-1\n", o);
    EXPECT_EQ(r.end, TraceEnd::Returned);
    EXPECT_EQ(TaskOrder(r), (std::vector<int>{1, 2, 1, 2, 1, 2}));
}

TEST(TaskLintTrace, ProgramsMissingFromThePackageFailToStart) {
    PackageDir dir;
    dir.AddFile("tools/present.exe");
    TraceOptions o = Silent();
    o.packageFolder = dir.Root();
    o.updateFolder = L"C:\\Pkg";
    TraceResult r = Trace(std::string(kSkip) +
                              "[TASK_1]\nType=0\nPath=TOOLS\\Present.EXE\nWaitExit=TRUE\n"
                              "[TASK_2]\nType=0\nPath=missing.exe\nWaitExit=TRUE\nRET_0xFFFFFFFF=3\n"
                              "[TASK_3]\nType=0\nPath=nofolder\\x.exe\nRET_0xFFFFFFFF=-1\n",
                          o);
    EXPECT_EQ(Utf8(r.lines), (Lines{"TASK 1.", "Skip trust check.", "  Exec: \"C:\\Pkg\\TOOLS\\Present.EXE\".",
                                    "Execute return code 0x00000000.", "return code 0x00000000.", "TASK 2.",
                                    "Skip trust check.", "  Exec: \"C:\\Pkg\\missing.exe\".",
                                    "  Error - Exec failed (2).", "Execute return code 0xFFFFFFFF.",
                                    "return code 0xFFFFFFFF.", "TASK 3.", "Skip trust check.",
                                    "  Exec: \"C:\\Pkg\\nofolder\\x.exe\".", "  Error - Exec failed (2).",
                                    "Execute return code 0xFFFFFFFF.", "return code 0xFFFFFFFF.", "end index.",
                                    "return 0."}));
}

TEST(TaskLintTrace, PathsExpandFromTheOwnEnvironment) {
    SetEnv("FWU_TRACE_TOOLS", "D:\\Tools");
    UnsetEnv("FWU_TRACE_UNSET");
    TraceResult r = Trace("[TASK_1]\nType=0\nPath=%FWU_TRACE_TOOLS%\\x.exe\nVerify=FALSE\n"
                          "Param_S=%FWU_TRACE_UNSET%FWU_TRACE_TOOLS% %UPDATEDIR%\\a 100%\nRET_0x00000000=-1\n",
                          Silent());
    EXPECT_EQ(Utf8(r.lines)[1], "  Exec: \"D:\\Tools\\x.exe\" %FWU_TRACE_UNSETD:\\Tools C:\\Package\\a 100%.");

    // The system folders of Windows where this machine does not set them
    // (on Windows the system sets them); a variable that stays unknown does
    // not make the program missing.
#ifdef _WIN32
    SetEnv("SystemRoot", "C:\\Windows");
#else
    UnsetEnv("SystemRoot");
#endif
    PackageDir dir;
    TraceOptions o = Silent();
    o.packageFolder = dir.Root();
    r = Trace("[TASK_1]\nType=0\nPath=%SystemRoot%\\System32\\cmd.exe\nVerify=FALSE\nWaitExit=TRUE\n"
              "RET_0x00000000=2\n[TASK_2]\nType=0\nPath=%FWU_TRACE_UNSET%\\x.exe\nVerify=FALSE\n"
              "RET_0x00000000=-1\n",
              o);
    EXPECT_EQ(Utf8(r.lines)[1], "  Exec: \"C:\\Windows\\System32\\cmd.exe\".");
    EXPECT_EQ(Utf8(r.lines)[5], "  Exec: \"C:\\Package\\%FWU_TRACE_UNSET%\\x.exe\".");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(HasNote(r, "TASK_2: C:\\Package\\%FWU_TRACE_UNSET%\\x.exe names an environment variable"));
}

TEST(TaskLintTrace, TrustIsAssumedAndSaidSo) {
    TraceResult r = Trace("[TASK_1]\nType=0\nPath=a.exe\nRET_0x00000000=-1\n", Silent());
    EXPECT_EQ(Utf8(r.lines)[1], "  Exec: \"C:\\Package\\a.exe\".");
    EXPECT_TRUE(HasNote(r, "every program counts as trusted"));
    r = Trace("[TASK_1]\nType=0\nPath=a.exe\nVerify=FALSE\nRET_0x00000000=-1\n", Silent());
    EXPECT_FALSE(HasNote(r, "trusted"));
}

TEST(TaskLintTrace, AnUntrustedProgramEndsTheRunWithTen) {
    TraceOptions o = Silent();
    o.trust = {{2, 0x800B0100u}};
    TraceResult r = Trace("[TASK_1]\nType=5\n[TASK_2]\nType=0\nPath=a.exe\n[TASK_3]\nType=11\n", o);
    EXPECT_EQ(Utf8(r.lines), (Lines{"TASK 1.", "Execute return code 0x00000001.", "return code 0x00000001.",
                                    "TASK 2.", "  WinVerifyTrust return 0x800B0100.", "Target is not trusted.",
                                    "return 10."}));
    EXPECT_EQ(r.exitCode, 10u);
    // With the check off in [CERT] the answer is never asked for.
    r = Trace("[CERT]\nVERIFY=off\n[TASK_1]\nType=0\nPath=a.exe\nRET_0x00000000=-1\n", o);
    EXPECT_EQ(r.exitCode, 0u);
}

TEST(TaskLintTrace, AFalsifiedSealedFileStopsBeforeTheFirstTask) {
    PackageDir dir;
    dir.WriteSealed("[TASK_1]\nType=11\nData=4\n");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(dir.Config(), bytes));
    EXPECT_EQ(TraceConfigBytes(bytes, Silent()).exitCode, 4u);
    bytes[bytes.size() / 2] ^= 1;
    TraceResult r = TraceConfigBytes(bytes, Silent());
    EXPECT_EQ(Utf8(r.lines), (Lines{"error - falsify ini file. return 3."}));
    EXPECT_EQ(r.exitCode, 3u);
}

TEST(TaskLintTrace, CommandLine) {
    PackageDir dir;
    dir.AddFile("run.exe");
    dir.WriteText("[CERT]\nVERIFY=OFF\n[TASK_1]\nType=0\nPath=run.exe\nParam_S=/q\nWaitExit=TRUE\n"
                  "RET_0x80000001=-1\n[TASK_2]\nType=11\nData=7\n");
    LintRun r = dir.Lint({L"--trace", L"--silent", L"--result", L"1=0x80000001", L"--update-dir", L"D:\\P\\"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "TASK 1.\nSkip trust check.\n  Exec: \"D:\\P\\run.exe\" /q.\nExecute return code 0x00000000.\n"
              "return code 0x80000001.\nend index.\nreturn 0.\nexit code: 0x00000000 (0)\n");
    r = dir.Lint({L"--trace", L"--silent", L"--result", L"1=-2147483647"});
    EXPECT_EQ(LinesWith(r.out, "return code 0x80000001.").size(), 1u) << r.out;
    r = dir.Lint({L"--trace", L"--silent"});
    EXPECT_EQ(LinesWith(r.out, "exit code: 0x00000007 (7)").size(), 1u) << r.out;
    EXPECT_NE(r.err.find("note: TASK_1 (program)"), std::string::npos) << r.err;
    // The program is looked for in the package folder above config.
    EXPECT_EQ(LinesWith(r.out, "Exec failed").size(), 0u) << r.out;

    dir.WriteText("[TASK_1]\nType=9\nGoto=1\n");
    r = dir.Lint({L"--trace", L"--max-tasks", L"5"});
    EXPECT_EQ(r.code, kTraceExitStopped);
    EXPECT_EQ(LinesWith(r.out, "stopped after 5 tasks").size(), 1u) << r.out;

    for (const wchar_t* bad : {L"1", L"x=1", L"1=", L"1=0x100000000", L"1=2,", L"1=-2147483649"})
        EXPECT_EQ(dir.Lint({L"--trace", L"--result", bad}).code, kTraceExitUsage) << ToUtf8(bad);
    EXPECT_EQ(dir.Lint({L"--trace", L"--max-tasks", L"0"}).code, kTraceExitUsage);
    EXPECT_EQ(dir.Lint({L"--trace", L"--bogus"}).code, kTraceExitUsage);
}

TEST(TaskLintTrace, ResultTextParsing) {
    uint32_t task = 0;
    std::vector<uint32_t> values;
    ASSERT_TRUE(ParseTraceResult(L"-2=0xFFFFFFFF,1,-1", &task, &values));
    EXPECT_EQ(task, 0xFFFFFFFEu);
    EXPECT_EQ(values, (std::vector<uint32_t>{0xFFFFFFFFu, 1, 0xFFFFFFFFu}));
    ASSERT_TRUE(ParseTraceResult(L"3=4294967295", &task, &values));
    EXPECT_EQ(values, (std::vector<uint32_t>{0xFFFFFFFFu}));
}

}  // namespace
}  // namespace fwu::lint::test
