// TaskLint's reading of results and paths, its graph, and the examples
// shipped with the tool set.
#include <cctype>
#include <cstdlib>
#include <fstream>

#include "tasklint_testutil.h"

namespace fwu::lint::test {
namespace {

LintReport LintString(const std::string& text, LintOptions options = {}) {
    return LintConfigBytes(std::vector<uint8_t>(text.begin(), text.end()), options);
}

std::vector<std::string> FindingTexts(const LintReport& r) {
    std::vector<std::string> out;
    for (const Finding& f : r.findings) out.push_back(ToUtf8(FormatFinding(L"c.ini", f)));
    return out;
}

TEST(TaskLintResults, TaskDialogResultPacksRadioButtonAndCheckBox) {
    const std::string list =
        "[TASK_1]\nType=10\nTD_cButtons=1\nTD_Button0_ID=101\nTD_Button0_Text=Go\n"
        "TD_cRadioButtons=1\nTD_Radio0_ID=201\nTD_Radio0_Text=A\nTD_VerificationText=Sure\n"
        "RET_0x80C90065=-1\nRET_0x00C90065=-1\nRET_0x00000006=-1\nRET_0x00000065=-1\n";
    LintReport r = LintString(list);
    std::vector<std::string> f = FindingTexts(r);
    // Only the last key is impossible: a radio button is always selected.
    ASSERT_EQ(f.size(), 1u) << f[0];
    EXPECT_NE(f[0].find("RET_0x00000065"), std::string::npos) << f[0];
    EXPECT_TRUE(r.tasks.at(1).results.Contains(0x80C90065u));
    EXPECT_TRUE(r.tasks.at(1).results.Contains(0xFFFFFFFFu));  // the dialog could not be shown
}

TEST(TaskLintResults, BaseBoardCheckGivesThePositionOfTheName) {
    LintReport r = LintString("[TASK_1]\nType=6\nData=Board A, Board B,\nRET_0x00000002=-1\n");
    const ResultSet& rs = r.tasks.at(1).results;
    EXPECT_TRUE(rs.Contains(0));
    EXPECT_TRUE(rs.Contains(1));
    EXPECT_FALSE(rs.Contains(2));  // a trailing comma adds no name
    EXPECT_TRUE(rs.Contains(0xFFFFFFFFu));
    EXPECT_EQ(r.Warnings(), 1);
}

TEST(TaskLintResults, RetKeysMatchInAnyLetterCase) {
    // The profile reader ignores case in key names, so Update's
    // RET_0x0000000A finds ret_0x0000000a.
    LintReport r = LintString(
        "[TASK_1]\nType=0\nPath=%WINDIR%\\a.exe\nWaitExit=TRUE\nret_0x0000000a=-1\n[TASK_2]\nType=11\n");
    EXPECT_EQ(r.ExitCode(), 0) << FindingTexts(r)[0];
    bool found = false;
    for (const Edge& e : r.tasks.at(1).edges)
        found = found || (e.kind == Edge::Kind::End && e.results == std::vector<uint32_t>{10});
    EXPECT_TRUE(found);
}

TEST(TaskLintResults, FirstKeyOfTwoSpellingsWins) {
    LintReport r = LintString("[TASK_1]\nType=5\nRET_0x00000001=-1\nRET_0X00000001=4\nRET_0x00000000=-1\n");
    EXPECT_EQ(r.Errors(), 0);  // TASK_4 is never reached: the first key wins
    EXPECT_EQ(r.Warnings(), 1);
}

TEST(TaskLintPaths, RetValueZeroGoesOnWithTheNextTask) {
    LintReport r = LintString("[TASK_1]\nType=5\nRET_0x00000000=0\nRET_0x00000001=-1\n[TASK_2]\nType=11\n");
    EXPECT_EQ(r.ExitCode(), 0);
    EXPECT_TRUE(r.tasks.at(2).reachable);
}

TEST(TaskLintPaths, SilentRestartGoesOnWithTheNextTask) {
    // In silent mode a restart task does nothing and gives 0xFFFFFFFF.
    LintReport r = LintString("[TASK_1]\nType=13\n[TASK_2]\nType=3\n");
    ASSERT_EQ(r.Errors(), 1);
    EXPECT_NE(FindingTexts(r)[0].find("in silent mode Update does not restart"), std::string::npos);
    r = LintString("[TASK_1]\nType=13\n[TASK_2]\nType=3\nRET_0xFFFFFFFF=3\n[TASK_3]\nType=11\nData=3010\n");
    EXPECT_EQ(r.ExitCode(), 0) << FindingTexts(r)[0];
}

TEST(TaskLintPaths, TaskZeroIsReachedOnlyAsFirstTaskOrByGoto) {
    const std::string list = "[TASK_0]\nType=11\n[TASK_1]\nType=5\nRET_0x00000000=-1\nRET_0x00000001=-1\n";
    EXPECT_EQ(LintString(list).Warnings(), 1);  // TASK_0 unreachable
    LintOptions first0;
    first0.firstTask = 0;
    EXPECT_EQ(LintString(list, first0).Warnings(), 1);  // now TASK_1 is
    EXPECT_EQ(LintString(list + "[TASK_2]\nType=9\nGoto=0\n").Warnings(), 2);
}

TEST(TaskLintPaths, LoopWithACounterHasAWayOut) {
    // A program's exit code can always be one without a RET_ key.
    LintReport r = LintString(
        "[TASK_1]\nType=0\nPath=%WINDIR%\\Tallykeep.exe\nParam=/check /loop\nParam_S=/check /loop\nWaitExit=TRUE\n"
        "RET_0x00000000=2\nRET_0x00000001=3\nRET_0x00000008=3\n"
        "[TASK_2]\nType=9\nGoto=1\n[TASK_3]\nType=11\nData=1\n");
    EXPECT_EQ(r.ExitCode(), 0);
    EXPECT_FALSE(r.tasks.at(1).stuck);
}

TEST(TaskLintPaths, EveryLoadingTaskCanBeReachedAndEnded) {
    LintReport r = LintString("[TASK_1]\nType=9\nGoto=5\n[TASK_5]\nType=11\nData=0x10\n");
    EXPECT_EQ(r.ExitCode(), 0);
    EXPECT_EQ(r.tasks.at(5).returnValue, 16);
}

// --- graph -----------------------------------------------------------------

TEST(TaskLintGraph, NodesEdgesAndEndings) {
    LintReport r = LintString(
        "[TASK_1]\nType=0\nPath=Findling.exe\nWaitExit=TRUE\nRET_0x00000006=20\n"
        "[TASK_2]\nType=1\nMsgText=Update now?\nMsgType=MB_YESNO\nRET_0x00000007=-1\n"
        "[TASK_3]\nType=3\n[TASK_20]\nType=11\nData=6\n");
    std::string dot = ToUtf8(WriteDot(r, L"demo"));
    EXPECT_EQ(dot.rfind("digraph tasks {", 0), 0u);
    EXPECT_NE(dot.find("t1 [label=\"TASK_1\\n0: run program\\nFindling.exe\"]"), std::string::npos) << dot;
    EXPECT_NE(dot.find("t1 -> t20 [label=\"6\"]"), std::string::npos) << dot;
    EXPECT_NE(dot.find("t1 -> t2 [label=\"other\", style=dashed]"), std::string::npos) << dot;
    EXPECT_NE(dot.find("t2 -> end [label=\"7\"]"), std::string::npos) << dot;
    EXPECT_NE(dot.find("t2 -> t3 [label=\"6\", style=dashed]"), std::string::npos) << dot;
    EXPECT_NE(dot.find("ret20 [shape=doublecircle, label=\"exit 6\""), std::string::npos) << dot;
    EXPECT_NE(dot.find("t3 -> session3"), std::string::npos) << dot;
    EXPECT_NE(dot.find("start -> t1;"), std::string::npos);
}

TEST(TaskLintGraph, MissingTargetsAndTextsAreEscaped) {
    LintReport r = LintString("[TASK_1]\nType=1\nMsgText=Say \"hi\"\\nnow\nRET_0x00000001=4\nRET_0x00000006=-1\n");
    std::string dot = ToUtf8(WriteDot(r, L"x"));
    EXPECT_NE(dot.find("Say \\\"hi\\\" now"), std::string::npos) << dot;
    EXPECT_NE(dot.find("t4 [shape=octagon, color=red"), std::string::npos) << dot;
}

TEST(TaskLintGraph, GraphOptionWritesDotAndKeepsTheExitCode) {
    PackageDir dir;
    dir.WriteText("[TASK_1]\nType=5\nRET_0x00000000=-1\nRET_0x00000001=-1\nWaitExt=1\n");
    LintRun r = dir.Lint({L"--graph"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.rfind("digraph", 0), 0u);
    EXPECT_NE(r.err.find("WaitExt"), std::string::npos);
    std::filesystem::path dotFile = dir.Root() / "flow.dot";
    r = dir.Lint({L"--graph=" + FromUtf8(dotFile.string())});
    EXPECT_EQ(r.code, 1);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(dotFile, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 7), "digraph");
}

// --- the examples ---------------------------------------------------------

std::vector<std::filesystem::path> ExampleLists() {
    std::vector<std::filesystem::path> lists;
    for (const char* top : {"examples", "docs/examples"}) {
        std::filesystem::path root = std::filesystem::path(FWU_SOURCE_DIR) / top;
        std::error_code ec;
        for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().filename() == "config.ini" && it->path().parent_path().filename() == "config")
                lists.push_back(it->path());
    }
    return lists;
}

// An example laid out as a packager lays it out: the programs of the tool
// set beside it, and the vendor's files of its "firmware" folder.
void LayOutPackage(const std::filesystem::path& example, const std::filesystem::path& package) {
    std::filesystem::copy(example, package, std::filesystem::copy_options::recursive);
    for (const char* p : {"Update", "Findling", "Ailscan", "Romstamp", "Unbinder", "Portscout", "Progress",
                          "Optpick", "Tallykeep"})
        WriteWholeFile(package / (std::string(p) + ".exe"), {'M', 'Z'});
    std::filesystem::create_directories(package / "firmware");
    for (const char* f : {"DockFlash.exe", "Flash.exe"}) WriteWholeFile(package / "firmware" / f, {'M', 'Z'});
}

bool HasTaskSection(const std::filesystem::path& list) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(list, bytes)) return false;
    for (const IniSection& s : ParseIni(DecodeFileText(bytes)).sections)
        if (s.name.size() > 5 && PrefixEqualsNoCaseAscii(s.name.c_str(), L"TASK_", 5)) return true;
    return false;
}

class TaskLintExample : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(TaskLintExample, IsCleanAndItsGraphRenders) {
    const std::filesystem::path& list = GetParam();
    if (!HasTaskSection(list)) GTEST_SKIP() << list << " holds no task yet";
    PackageDir scratch;
    std::filesystem::path package = scratch.Root() / "package";
    LayOutPackage(list.parent_path().parent_path(), package);
    std::wstring config = FromUtf8((package / "config" / "config.ini").string());
    std::wstring out, err;
    int code = TaskLintMain({L"TaskLint", config}, out, err);
    ASSERT_NE(code, 3) << ToUtf8(err);
    if (std::system("dot -V >/dev/null 2>&1") == 0) {
        std::filesystem::path dotFile = package / "flow.dot";
        std::wstring dotOut, dotErr;
        TaskLintMain({L"TaskLint", L"--graph=" + FromUtf8(dotFile.string()), config}, dotOut, dotErr);
        std::string cmd = "dot -Tsvg -o /dev/null '" + dotFile.string() + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << list;
    }
    // No example may hold an error. The fallback example starts a program
    // that its package deliberately lacks, so it alone may carry warnings.
    EXPECT_NE(code, 2) << list << "\n" << ToUtf8(out);
    if (list.generic_string().find("examples/fallback") != std::string::npos) {
        EXPECT_NE(ToUtf8(out).find("vendor-flash.exe is missing"), std::string::npos) << ToUtf8(out);
        return;
    }
    EXPECT_EQ(code, 0) << list << "\n" << ToUtf8(out) << ToUtf8(err);
    EXPECT_NE(ToUtf8(out).find("no findings"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Shipped, TaskLintExample, ::testing::ValuesIn(ExampleLists()),
                         [](const ::testing::TestParamInfo<std::filesystem::path>& info) {
                             std::string name = info.param.parent_path().parent_path().filename().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Every complete task list shown in the reference ("```ini" blocks with a
// task section) passes as well.
TEST(TaskLintExamples, TaskListsInTheReferenceAreClean) {
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(FWU_SOURCE_DIR) / "docs")) {
        if (entry.path().extension() != ".md") continue;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(ReadWholeFile(entry.path(), bytes));
        std::string text(bytes.begin(), bytes.end());
        for (size_t pos = text.find("```ini\n"); pos != std::string::npos; pos = text.find("```ini\n", pos)) {
            size_t begin = pos + 7, end = text.find("```", begin);
            ASSERT_NE(end, std::string::npos);
            std::string block = text.substr(begin, end - begin);
            pos = end + 3;
            if (block.find("[TASK_") == std::string::npos) continue;
            PackageDir dir;
            dir.WriteText(block);
            for (const char* p : {"Update.exe", "Findling.exe", "Progress.exe", "Tallykeep.exe"}) dir.AddFile(p);
            LintRun r = dir.Lint();
            EXPECT_EQ(r.code, 0) << entry.path() << "\n" << block << r.out;
            ++checked;
        }
    }
    EXPECT_GE(checked, 1);
}

TEST(TaskLintExamples, TheDocumentedExamplesAreThere) {
    size_t documented = 0;
    for (const auto& list : ExampleLists()) documented += list.string().find("docs/examples") != std::string::npos;
    EXPECT_GE(documented, 3u);
}

}  // namespace
}  // namespace fwu::lint::test
