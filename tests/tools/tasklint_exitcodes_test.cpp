// TaskLint's warnings about the exit codes a deployment system reads from a
// run: a package code that Update or Windows already give a meaning, a
// restart path that ends as plain success, a branch on 0xFFFFFFFF that also
// catches a program that never started, and a counter loop whose failures
// go round again. Each case is a minimal list, with the list that does it
// right beside it.
#include "tasklint_testutil.h"

namespace fwu::lint::test {
namespace {

// A package folder with the tool set's programs beside Update and the
// settings Tallykeep reads.
class CounterPackage : public PackageDir {
public:
    CounterPackage() {
        for (const char* p : {"Update", "Romstamp", "Ailscan", "Unbinder", "Progress", "Tallykeep"})
            AddFile(std::string(p) + ".exe");
        std::string settings = "[MSG]\nIDS_STR_TITLE=Update\nIDC_STATIC_PROGRESS=Working\n[Counter]\nLoop=3\n";
        WriteWholeFile(Root() / "config.ini", std::vector<uint8_t>(settings.begin(), settings.end()));
    }
    LintRun LintList(const std::string& list) {
        WriteText(list);
        return Lint();
    }
};

// --- return values that mean something else -------------------------------------

TEST(TaskLintExitCodes, ReturnValueThatIsOneOfUpdatesOwnCodes) {
    struct Case {
        const char* data;
        const char* meaning;
    };
    for (const Case& c : {Case{"2", "when config.ini is not found"},
                          Case{"0x6", "when it is not run by an administrator"},
                          Case{"7", "when its hidden window cannot be created"},
                          Case{"8", "when COM cannot be initialised"},
                          Case{"10", "when a program to start is not trusted"},
                          Case{"11", "when nobody can answer a message box or task dialog"}}) {
        LintRun r = LintText(std::string("[TASK_1]\nType=11\nData=") + c.data + "\n");
        EXPECT_EQ(r.code, 1) << c.data;
        unsigned value = unsigned(std::stoul(c.data, nullptr, 0));
        ExpectFinding(r, "config.ini:3: warning: [TASK_1] Data: ",
                      "the run ends with exit code " + std::to_string(value) + ", which Update also gives " +
                          c.meaning);
        EXPECT_NE(r.out.find("use a code of the package's own"), std::string::npos) << r.out;
        EXPECT_EQ(FindingCount(r), 1u) << r.out;
    }
}

TEST(TaskLintExitCodes, ReturnValueStillActive) {
    for (const char* data : {"259", "0x103"}) {
        LintRun r = LintText(std::string("[TASK_1]\nType=11\nData=") + data + "\n");
        EXPECT_EQ(r.code, 1) << data;
        ExpectFinding(r, "config.ini:3: warning: [TASK_1] Data: ",
                      "the run ends with exit code 259 (STILL_ACTIVE): a caller reads it as \"still running\"");
        EXPECT_EQ(FindingCount(r), 1u) << r.out;
    }
}

TEST(TaskLintExitCodes, PackageCodesOfItsOwnPass) {
    // 0 and 1, the installer codes, codes beyond Update's own and next to
    // STILL_ACTIVE, and negative ones.
    for (const char* data : {"0", "1", "12", "258", "260", "1223", "1603", "1641", "3010", "0x10", "-2", "-7"}) {
        LintRun r = LintText(std::string("[TASK_1]\nType=11\nData=") + data + "\n");
        EXPECT_EQ(r.code, 0) << data << "\n" << r.out;
    }
}

// --- restart paths ----------------------------------------------------------------

TEST(TaskLintExitCodes, RestartPathThatEndsWithZero) {
    // Silent, the restart does nothing and the run ends with 0: "done, no
    // restart needed"; shown, Update goes on with the list as well.
    LintRun r = LintText("[TASK_1]\nType=3\nRET_0xFFFFFFFF=-1\n");
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:1: warning: [TASK_1] ",
                  "both runs: after this restart the run can end with exit code 0 (RET_0xFFFFFFFF=-1 of TASK_1 ends "
                  "the list)");
    EXPECT_NE(r.out.find("Data=3010"), std::string::npos) << r.out;
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    // Through other tasks to a return value of 0, after a shutdown.
    r = LintText(
        "[TASK_1]\nType=2\nRET_0xFFFFFFFF=5\n[TASK_5]\nType=13\n[TASK_6]\nType=9\nGoto=7\n[TASK_7]\nType=11\nData=0\n");
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:1: warning: [TASK_1] ",
                  "both runs: after this shutdown the run can end with exit code 0 (TASK_7 returns 0)");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    // Only one run gets there with 0: a box after the restart that a person
    // answers with No.
    r = LintText(
        "[TASK_1]\nType=3\nRET_0xFFFFFFFF=2\n[TASK_2]\nType=1\nMsgType=MB_YESNO\nRET_0x00000006=3\n"
        "RET_0x00000007=-1\n[TASK_3]\nType=11\nData=3010\n");
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:1: warning: [TASK_1] ",
                  "interactive run: after this restart the run can end with exit code 0 (RET_0x00000007=-1 of "
                  "TASK_2 ends the list)");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintExitCodes, RestartPathsThatEndWith3010OrAFailurePass) {
    LintRun r = LintText("[TASK_1]\nType=3\nRET_0xFFFFFFFF=2\n[TASK_2]\nType=11\nData=3010\n");
    EXPECT_EQ(r.code, 0) << r.out;
    // A 0 before the restart is no restart path; a later restart that ends
    // with 0 is reported once, at itself.
    r = LintText(
        "[TASK_1]\nType=5\nRET_0x00000000=-1\nRET_0x00000001=2\n[TASK_2]\nType=3\nRET_0xFFFFFFFF=3\n"
        "[TASK_3]\nType=2\nRET_0xFFFFFFFF=-1\n");
    EXPECT_EQ(r.code, 1);
    ExpectFinding(r, "config.ini:8: warning: [TASK_3] ", "after this shutdown the run can end with exit code 0");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    // A restart that only the silent run reaches asks for nothing.
    r = LintText(
        "[TASK_1]\nType=12\nData=/s\nRET_0x00000000=2\nRET_0x00000001=3\n[TASK_2]\nType=3\nRET_0xFFFFFFFF=-1\n"
        "[TASK_3]\nType=11\nData=3010\n");
    EXPECT_EQ(LinesWith(r.out, "after this restart").size(), 0u) << r.out;
    // A restart path that ends with a failure code is no success.
    r = LintText("[TASK_1]\nType=3\nRET_0xFFFFFFFF=2\n[TASK_2]\nType=11\nData=1603\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

// --- 0xFFFFFFFF: "sorts before" or "could not be started" -------------------------

TEST(TaskLintExitCodes, SortsBeforeThatLeadsToAProgramStart) {
    CounterPackage pkg;
    pkg.AddFile("firmware/Flash.exe");
    std::string list =
        "[TASK_1]\nType=0\nPath=Romstamp.exe\nParam=/HwID:USB\\VID_1 /Ver:2.10\nParam_S=/HwID:USB\\VID_1 "
        "/Ver:2.10\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0x00000001=3\nRET_0xFFFFFFFF=3\n"
        "[TASK_2]\nType=11\nData=13\n"
        "[TASK_3]\nType=1\nMsgType=MB_YESNO\nRET_0x00000006=4\nRET_0x00000007=-1\n"
        "[TASK_4]\nType=0\nPath=Progress.exe\nParam=/ON\nParam_S=/Silent\n"
        "[TASK_5]\nType=0\nPath=firmware\\Flash.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\n"
        "[TASK_6]\nType=11\nData=1603\n";
    LintRun r = pkg.LintList(list);
    EXPECT_EQ(r.code, 1) << r.out;
    ExpectFinding(r, "config.ini:9: warning: [TASK_1] RET_0xFFFFFFFF: ",
                  "both runs: 0xFFFFFFFF is Romstamp's \"sorts before\" and also the result when Romstamp cannot be "
                  "started at all, and this branch leads toward a program start (TASK_5)");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    // The same list with 0xFFFFFFFF ending the run passes.
    std::string ends = list;
    ends.replace(ends.find("RET_0xFFFFFFFF=3"), 16, "RET_0xFFFFFFFF=2");
    r = pkg.LintList(ends);
    EXPECT_EQ(LinesWith(r.out, "cannot be started at all").size(), 0u) << r.out;
}

TEST(TaskLintExitCodes, CouldNotBeStartedThatLeadsToAnotherProgram) {
    // A vendor flasher's own 0xFFFFFFFF (a failure half-way) would start the
    // second flasher as well.
    LintRun r = LintText(
        "[TASK_1]\nType=0\nPath=C:\\a.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0xFFFFFFFF=2\n"
        "RET_0x00000001=3\n[TASK_2]\nType=0\nPath=C:\\b.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\n"
        "[TASK_3]\nType=11\nData=1603\n");
    EXPECT_EQ(r.code, 1) << r.out;
    ExpectFinding(r, "config.ini:7: warning: [TASK_1] RET_0xFFFFFFFF: ",
                  "both runs: 0xFFFFFFFF is also the result when the program cannot be started at all, and this "
                  "branch leads toward a program start (TASK_2)");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintExitCodes, ZeroXFFFFFFFFThatCannotMislead) {
    // To an ending, to the tool set's own programs on the way out, back to
    // the same program (a retry), to a second start of the same program;
    // not waited for (0xFFFFFFFF then only means "not started"); the
    // fall-through with every other result is no branch on it.
    CounterPackage pkg;
    const char* lists[] = {
        "[TASK_1]\nType=0\nPath=C:\\a.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0xFFFFFFFF=2\n"
        "[TASK_2]\nType=11\nData=1603\n",
        "[TASK_1]\nType=0\nPath=C:\\a.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0xFFFFFFFF=2\n"
        "[TASK_2]\nType=0\nPath=Progress.exe\nParam=/OFF\nParam_S=/OFF\nWaitExit=TRUE\n"
        "[TASK_3]\nType=0\nPath=Tallykeep.exe\nParam=/delete /loop\nParam_S=/delete /loop\nWaitExit=TRUE\n"
        "[TASK_4]\nType=11\nData=1603\n",
        "[TASK_1]\nType=0\nPath=C:\\a.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\nRET_0xFFFFFFFF=2\n"
        "RET_0x00000001=3\n[TASK_2]\nType=9\nGoto=1\nAfterWait=1000\n[TASK_3]\nType=11\nData=1603\n",
        "[TASK_1]\nType=0\nPath=Romstamp.exe\nParam=/HwID:X /Ver:2.10\nParam_S=/HwID:X /Ver:2.10\nWaitExit=TRUE\n"
        "RET_0x00000000=-1\nRET_0x00000001=4\nRET_0xFFFFFFFF=2\n"
        "[TASK_2]\nType=0\nPath=romstamp\nParam=/HwID:X /Ver:0\nParam_S=/HwID:X /Ver:0\nWaitExit=TRUE\n"
        "RET_0x00000001=4\nRET_0xFFFFFFFF=3\n[TASK_3]\nType=11\nData=13\n"
        "[TASK_4]\nType=0\nPath=C:\\flash.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\n"
        "[TASK_5]\nType=11\nData=1603\n",
        "[TASK_1]\nType=0\nPath=C:\\a.exe\nParam_S=/q\nRET_0x00000000=3\nRET_0xFFFFFFFF=2\n"
        "[TASK_2]\nType=0\nPath=C:\\b.exe\nParam_S=/q\nRET_0x00000000=-1\nRET_0xFFFFFFFF=3\n"
        "[TASK_3]\nType=11\nData=1603\n",
        "[TASK_1]\nType=0\nPath=C:\\a.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\n"
        "[TASK_2]\nType=0\nPath=C:\\b.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=-1\n"
        "[TASK_3]\nType=11\nData=1603\n",
    };
    for (const char* list : lists) {
        LintRun r = pkg.LintList(list);
        EXPECT_EQ(LinesWith(r.out, "cannot be started at all").size(), 0u) << list << "\n" << r.out;
        EXPECT_NE(r.code, 2) << r.out;
    }
}

// --- a counter loop whose failures go round -----------------------------------------

// The retry loop of a flasher: 2 flash, 3 count, 4 check (0: again).
std::string CounterLoop(const std::string& countKeys, const std::string& checkKeys) {
    return "[TASK_1]\nType=0\nPath=Tallykeep.exe\nParam=/delete /loop\nParam_S=/delete /loop\nWaitExit=TRUE\n"
           "[TASK_2]\nType=0\nPath=C:\\flash.exe\nParam_S=/q\nWaitExit=TRUE\nRET_0x00000000=10\n"
           "[TASK_3]\nType=0\nPath=Tallykeep.exe\nParam=/increment /loop\nParam_S=/increment /loop\nWaitExit=TRUE\n" +
           countKeys +
           "[TASK_4]\nType=0\nPath=Tallykeep.exe\nParam=/check /loop\nParam_S=/check /loop\nWaitExit=TRUE\n"
           "RET_0x00000000=2\nRET_0x00000001=20\n" +
           checkKeys + "[TASK_5]\nType=9\nGoto=20\n[TASK_10]\nType=11\nData=0\n[TASK_20]\nType=11\nData=1603\n";
}

TEST(TaskLintExitCodes, CounterLoopWhoseFailuresGoRound) {
    CounterPackage pkg;
    // The increment's 6 and 8 fall through to the check, which goes back.
    LintRun r = pkg.LintList(CounterLoop("", ""));
    EXPECT_EQ(r.code, 1) << r.out;
    ExpectFinding(r, "config.ini:13: warning: [TASK_3] ",
                  "both runs: Tallykeep /increment is in a loop, and its failure results 0x00000006, 0x00000008 go "
                  "on around it (with TASK_4, which leads back here)");
    EXPECT_NE(r.out.find("never reaches its limit"), std::string::npos) << r.out;
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
    // The check's lock failure keyed back into the loop.
    r = pkg.LintList(CounterLoop("RET_0x00000006=20\nRET_0x00000008=20\n", "RET_0x00000008=2\n"));
    EXPECT_EQ(r.code, 1) << r.out;
    ExpectFinding(r, "config.ini:21: warning: [TASK_4] ",
                  "both runs: Tallykeep /check is in a loop, and its failure result 0x00000008 goes on around it "
                  "(with TASK_2, which leads back here)");
    EXPECT_EQ(FindingCount(r), 1u) << r.out;
}

TEST(TaskLintExitCodes, CounterLoopThatLeavesOnFailurePasses) {
    CounterPackage pkg;
    LintRun r = pkg.LintList(CounterLoop("RET_0x00000006=20\nRET_0x00000008=20\n", ""));
    EXPECT_EQ(r.code, 0) << r.out;
    // A counter outside any loop may fall through on 6, 7 or 8.
    r = pkg.LintList(
        "[TASK_1]\nType=0\nPath=Tallykeep.exe\nParam=/increment /loop\nParam_S=/increment /loop\nWaitExit=TRUE\n"
        "[TASK_2]\nType=0\nPath=Tallykeep.exe\nParam=/delete /loop\nParam_S=/delete /loop\nWaitExit=TRUE\n"
        "[TASK_3]\nType=11\nData=0\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

}  // namespace
}  // namespace fwu::lint::test
