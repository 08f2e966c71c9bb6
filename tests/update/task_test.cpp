// Tasks: loading rules, the result rule, the actions of each type, waiting
// and activation, the next-task rule and the trust and hash decisions, over
// a configuration text and fake services.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "task_doubles.h"
#include "text.h"

using namespace upd;
using testing_upd::FakeServices;
using testing_upd::TextConfig;

namespace {
const std::wstring kFolder = L"C:\\pkg";

struct Fixture : ::testing::Test {
    FakeServices platform;
    std::unique_ptr<TextConfig> config;
    std::unique_ptr<CTask> task;

    bool LoadText(const std::wstring& text, uint32_t number = 1, uint32_t silent = 0) {
        config = std::make_unique<TextConfig>(text);
        task = std::make_unique<CTask>(platform.Services());
        return task->Load(kFolder, config->get(), number, silent);
    }
    // One task section TASK_1 with the given body lines.
    bool LoadTask(const std::wstring& body, uint32_t silent = 0) {
        return LoadText(L"[MSG]\nIDS_STR_TITLE=Firmware\n[TASK_1]\n" + body, 1, silent);
    }
};
}  // namespace

using TaskLoad = Fixture;

TEST_F(TaskLoad, TypeDecidesWhetherTheTaskLoads) {
    EXPECT_TRUE(LoadTask(L"Type=0x1"));
    EXPECT_EQ(task->GetType(), 1u);
    EXPECT_TRUE(LoadTask(L"Type=abc"));
    EXPECT_EQ(task->GetType(), 0u);
    EXPECT_TRUE(LoadTask(L"Type=13"));
    for (const wchar_t* bad : {L"Type=14", L"Type=-1", L"Type=", L"Data=1", L"Type=0xFFFFFFFF", L"Type=99999999999"}) {
        platform.expanded.clear();
        EXPECT_FALSE(LoadTask(std::wstring(bad) + L"\nPath=x.exe")) << bad;
        EXPECT_TRUE(platform.expanded.empty()) << "nothing else is read after a bad Type";
    }
    // A missing section reads as a missing Type.
    EXPECT_FALSE(LoadText(L"[TASK_1]\nType=0\n", 2));
    CTask unconfigured(platform.Services());
    EXPECT_FALSE(unconfigured.Load(kFolder, nullptr, 1, 0));
}

TEST_F(TaskLoad, MissingKeysTakeTheirDefaults) {
    ASSERT_TRUE(LoadTask(L"Type=9"));
    EXPECT_EQ(task->Record().Goto, -1);
    EXPECT_EQ(task->Record().Verify, 1u);
    EXPECT_EQ(task->Record().WaitExit, 0u);
    EXPECT_EQ(task->Record().AfterWait, 0u);
    EXPECT_EQ(task->Record().Path, L"C:\\pkg\\");
    EXPECT_EQ(task->Record().Dir, L"C:\\pkg\\");
    EXPECT_EQ(task->Record().TD_hMainIcon, L"C:\\pkg\\");
    EXPECT_EQ(task->Record().Param, L"");
    EXPECT_EQ(task->Record().CalcFile, L"");
    EXPECT_EQ(task->Record().TD_cButtons, 0u);
    EXPECT_TRUE(task->Record().ButtonIds.empty());
    EXPECT_EQ(task->Record().DefaultTitle, L"Firmware");
    EXPECT_EQ(task->Record().Number, 1u);
    EXPECT_EQ(task->GetResult(), 0u);
}

TEST_F(TaskLoad, PathsAreExpandedThenJoined) {
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=setup.exe\nDir=%SystemRoot%\\temp\nTD_hMainIcon=%SystemRoot%\\i.ico\n"
                         L"TD_hFooterIcon=D:\\f.ico"));
    EXPECT_EQ(task->Record().Path, L"C:\\pkg\\setup.exe");
    EXPECT_EQ(task->Record().Dir, L"C:\\windows\\temp");  // absolute after expansion
    EXPECT_EQ(task->Record().TD_hMainIcon, L"C:\\pkg\\%SystemRoot%\\i.ico");  // joined, never expanded
    EXPECT_EQ(task->Record().TD_hFooterIcon, L"D:\\f.ico");
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=C:\\x\\setup.exe\nDir=tools\\bin"));
    EXPECT_EQ(task->Record().Path, L"C:\\x\\setup.exe");
    EXPECT_EQ(task->Record().Dir, L"C:\\pkg\\tools\\bin");
    // A failed expansion keeps the text as read.
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=%FAIL%\\a.exe"));
    EXPECT_EQ(task->Record().Path, L"C:\\pkg\\%FAIL%\\a.exe");
}

TEST_F(TaskLoad, UpdateDirComesBeforeEnvironmentExpansion) {
    platform.environment[L"FW"] = L"fw.bin";
    ASSERT_TRUE(LoadTask(L"Type=0\nParam=/f:%UPDATEDIR%\\%FW% /k:%updatedir%\nParam_S=%UPDATEDIR%%UPDATEDIR%\n"
                         L"CalcFile=image.bin\nDistinct=%UPDATEDIR%"));
    EXPECT_EQ(task->Record().Param, L"/f:C:\\pkg\\fw.bin /k:%updatedir%");  // exact case only
    EXPECT_EQ(task->Record().Param_S, L"C:\\pkgC:\\pkg");
    EXPECT_EQ(task->Record().CalcFile, L"image.bin");  // never joined to the folder
    EXPECT_EQ(task->Record().Distinct, L"%UPDATEDIR%");  // no transformation
    // The update folder itself may hold a variable-looking text: it is
    // expanded together with the rest.
    TaskRecord record;
    ASSERT_TRUE(LoadTaskRecord(*config->get(), 1, L"%SystemRoot%", false, platform, record));
    EXPECT_EQ(record.Param, L"/f:C:\\windows\\fw.bin /k:%updatedir%");
}

TEST_F(TaskLoad, LineBreaksOnlyInTheirKeys) {
    ASSERT_TRUE(LoadTask(L"Type=10\nMsgText=Line one\\nLine two\nMsgTitle=A\\nB\nTD_Content=c\\n\nTD_Footer=\\n\\n\n"
                         L"TD_VerificationText=v\\nw\nTD_ExpandedInformation=e\\n\nTD_ExpandedControlText=x\\ny\n"
                         L"TD_CollapsedControlText=\\nz\nTD_MainInstruction=m\\n\nData=d\\n"));
    EXPECT_EQ(task->Record().MsgText, L"Line one\r\nLine two");
    EXPECT_EQ(task->Record().MsgTitle, L"A\\nB");
    EXPECT_EQ(task->Record().TD_Content, L"c\r\n");
    EXPECT_EQ(task->Record().TD_Footer, L"\r\n\r\n");
    EXPECT_EQ(task->Record().TD_VerificationText, L"v\r\nw");
    EXPECT_EQ(task->Record().TD_ExpandedInformation, L"e\r\n");
    EXPECT_EQ(task->Record().TD_ExpandedControlText, L"x\r\ny");
    EXPECT_EQ(task->Record().TD_CollapsedControlText, L"\r\nz");
    EXPECT_EQ(task->Record().TD_MainInstruction, L"m\r\n");
    EXPECT_EQ(task->Record().Data, L"d\\n");
}

TEST_F(TaskLoad, FlagWords) {
    struct Case { const wchar_t* text; uint32_t wait; uint32_t verify; };
    for (Case c : {Case{L"WaitExit=true\nVerify=false", 1, 0}, Case{L"WaitExit=TRUE\nVerify=FALSE", 1, 0},
                   Case{L"WaitExit=yes\nVerify=no", 0, 1}, Case{L"WaitExit=1\nVerify=0", 0, 1},
                   Case{L"WaitExit=TRUE \nVerify=", 1, 1}, Case{L"WaitExit=TRUEX\nVerify=FALSEX", 0, 1}}) {
        ASSERT_TRUE(LoadTask(std::wstring(L"Type=0\n") + c.text));
        EXPECT_EQ(task->Record().WaitExit, c.wait) << c.text;
        EXPECT_EQ(task->Record().Verify, c.verify) << c.text;
    }
}

TEST_F(TaskLoad, NumbersFollowTheConfigurationRule) {
    ASSERT_TRUE(LoadTask(L"Type=9\nGoto=0x10\nAfterWait=2000ms\nTD_Width=abc\nTD_DefaultButton=-5"));
    EXPECT_EQ(task->Record().Goto, 16);
    EXPECT_EQ(task->Record().AfterWait, 2000u);
    EXPECT_EQ(task->Record().TD_Width, 0);
    EXPECT_EQ(task->Record().TD_DefaultButton, -5);
    ASSERT_TRUE(LoadTask(L"Type=9\nGoto=99999999999\nAfterWait=-1"));
    EXPECT_EQ(task->Record().AfterWait, 0xFFFFFFFFu);
}

TEST_F(TaskLoad, ButtonAndRadioLists) {
    ASSERT_TRUE(LoadTask(L"Type=10\nTD_cButtons=2\nTD_Button0_ID=100\nTD_Button0_Text=Go\\non\nTD_Button1_ID=0x65\n"
                         L"TD_Button2_ID=102\nTD_Button2_Text=never\nTD_cRadioButtons=1\nTD_Radio0_ID=7\n"
                         L"TD_Radio0_Text=r\nTD_Radio1_ID=8"));
    EXPECT_EQ(task->Record().ButtonIds, (std::vector<int32_t>{100, 101}));
    EXPECT_EQ(task->Record().ButtonTexts, (std::vector<std::wstring>{L"Go\r\non", L""}));
    EXPECT_EQ(task->Record().RadioIds, (std::vector<int32_t>{7}));
    EXPECT_EQ(task->Record().RadioTexts, (std::vector<std::wstring>{L"r"}));
    EXPECT_EQ(task->Record().TD_cButtons, 2u);
    EXPECT_EQ(task->Record().TD_cRadioButtons, 1u);
}

TEST_F(TaskLoad, DialogCountsAreBounded) {
    ASSERT_TRUE(LoadTask(L"Type=10\nTD_cButtons=100\nTD_cRadioButtons=101"));
    EXPECT_EQ(task->Record().ButtonIds.size(), 100u);
    EXPECT_EQ(task->Record().ButtonTexts.size(), 100u);
    EXPECT_EQ(task->Record().TD_cRadioButtons, 0u);
    EXPECT_TRUE(task->Record().RadioIds.empty());
    for (const wchar_t* count : {L"-1", L"0x80000000", L"4294967295", L"abc"}) {
        ASSERT_TRUE(LoadTask(std::wstring(L"Type=10\nTD_cButtons=") + count + L"\nTD_cRadioButtons=" + count));
        EXPECT_EQ(task->Record().TD_cButtons, 0u) << count;
        EXPECT_TRUE(task->Record().ButtonIds.empty()) << count;
        EXPECT_TRUE(task->Record().RadioTexts.empty()) << count;
    }
}

using TaskExecute = Fixture;

TEST_F(TaskExecute, ResultsAndCallsByType) {
    struct Case {
        const wchar_t* body;
        uint32_t silent;
        std::function<void(FakeServices&)> setUp;
        uint32_t result;
        std::vector<std::wstring> journal;
    };
    auto answer = [](uint32_t a) { return [a](FakeServices& s) { s.answer = a; }; };
    auto disk = [](const wchar_t* v) { return [v](FakeServices& s) { s.diskValue = v; }; };
    auto none = [](FakeServices&) {};
    const std::wstring start = L"StartProcess \"C:\\pkg\\a.exe\" in C:\\pkg\\";
    const std::vector<Case> cases = {
        {L"Type=1\nMsgText=Go?", 0, answer(7), 7, {L"BringOwnerToFront", L"ShowMessageBox Firmware: Go?"}},
        {L"Type=1", 1, answer(7), 6, {}},
        {L"Type=2\nData=hybrid_shutdown", 0, none, 0xFFFFFFFF, {L"EndSession 0x400001"}},
        {L"Type=2\nData=HYBRID_SHUTDOWN2", 0, none, 0xFFFFFFFF, {L"EndSession 0x1"}},
        {L"Type=2", 0, none, 0xFFFFFFFF, {L"EndSession 0x1"}},
        {L"Type=2", 1, none, 0xFFFFFFFF, {}},
        {L"Type=3", 0, none, 0xFFFFFFFF, {L"EndSession 0x2"}},
        {L"Type=4\nURL=http://x", 0, none, 0, {L"BringOwnerToFront", L"AllowSetForeground", L"LaunchUrl http://x"}},
        {L"Type=4\nURL=http://x", 0, [](FakeServices& s) { s.launchResult = int32_t(0x80004005); }, 0,
         {L"BringOwnerToFront", L"AllowSetForeground", L"LaunchUrl http://x"}},
        {L"Type=4\nURL=http://x", 1, none, 0, {L"AllowSetForeground"}},
        {L"Type=5", 0, answer(1), 0, {L"IsWow64"}},
        {L"Type=5", 0, answer(0), 1, {L"IsWow64"}},
        {L"Type=6\nData=A,B", 0, none, 0xFFFFFFFF, {L"GetSystemFirmwareTable"}},
        {L"Type=7\nData=disk", 0, disk(L"DISKMODEL 1"), 0, {L"DiskQuery Model"}},
        {L"Type=7\nData=disk", 0, disk(L"CD"), 1, {L"DiskQuery Model"}},
        {L"Type=7\nData=disk", 0, disk(L""), 1, {L"DiskQuery Model"}},
        {L"Type=8\nData=1.0", 0, disk(L"1.0"), 0, {L"DiskQuery FirmwareRevision"}},
        {L"Type=8\nData=1.0", 0, disk(L"2.0"), 1, {L"DiskQuery FirmwareRevision"}},
        {L"Type=8\nData=1.0", 0, disk(L"0.9"), 0xFFFFFFFF, {L"DiskQuery FirmwareRevision"}},
        {L"Type=9\nGoto=7", 0, none, 7, {}},
        {L"Type=9", 0, none, 0xFFFFFFFF, {}},
        {L"Type=10", 0, [](FakeServices& s) { s.dialog = TaskDialogOutcome{0, 0x65, 1, false}; }, 0x10065,
         {L"BringOwnerToFront", L"ShowTaskDialog Firmware"}},
        {L"Type=10", 0, [](FakeServices& s) { s.dialog = TaskDialogOutcome{int32_t(0x80070057), 0, 0, false}; },
         0xFFFFFFFF, {L"BringOwnerToFront", L"ShowTaskDialog Firmware"}},
        {L"Type=10", 1, none, 6, {}},
        {L"Type=11\nData=0x10", 0, none, 16, {}},
        {L"Type=13", 0, [](FakeServices& s) { s.folders[L"C:\\pkg"] = {{L"a.txt", false, false}}; }, 0,
         {L"ListFolder C:\\pkg", L"RegisterDelete C:\\pkg\\a.txt", L"RegisterDelete C:\\pkg"}},
        {L"Type=13", 0, [](FakeServices& s) { s.ownFolder.clear(); }, 0, {}},
        {L"Type=0\nPath=a.exe", 0, none, 0, {L"BringOwnerToFront", L"AllowSetForeground", start}},
        {L"Type=0\nPath=a.exe", 1, none, 0, {L"AllowSetForeground", start}},
        {L"Type=0\nPath=a.exe", 0, [](FakeServices& s) { s.startFails = true; }, 0xFFFFFFFF,
         {L"BringOwnerToFront", L"AllowSetForeground", start}},
    };
    for (const auto& c : cases) {
        platform.answer = 0;
        platform.dialog = TaskDialogOutcome();
        platform.launchResult = 0;
        platform.startFails = false;
        platform.ownFolder = L"C:\\pkg";
        platform.caches = ProbeCaches();
        c.setUp(platform);
        ASSERT_TRUE(LoadTask(c.body, c.silent));
        platform.journal.clear();
        EXPECT_EQ(task->Execute(), c.result) << c.body << " silent=" << c.silent;
        EXPECT_EQ(task->GetResult(), c.result) << c.body;
        EXPECT_EQ(platform.journal, c.journal) << c.body << " silent=" << c.silent;
    }
}

TEST_F(TaskExecute, LogLinesOfTheActions) {
    platform.startFails = true;
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=a.exe\nParam=/x"));
    task->Execute();
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=a.exe\nMethod=ShellExecuteEx\nParam=/y"));
    task->Execute();
    platform.launchResult = int32_t(0x80004005);
    ASSERT_TRUE(LoadTask(L"Type=4\nURL=http://x"));
    task->Execute();
    platform.dialog = TaskDialogOutcome{0, 7, 0, true};
    ASSERT_TRUE(LoadTask(L"Type=10"));
    task->Execute();
    EXPECT_EQ(platform.logs, (std::vector<std::wstring>{
                                 L"  Exec: \"C:\\pkg\\a.exe\" /x.",
                                 L"  Error - Exec failed (2).",
                                 L"  Exec: \"C:\\pkg\\a.exe\" /y.",
                                 L"  Error - Exec failed (2).",
                                 L"  URL: http://x.",
                                 L"  Error - IELaunchURL failed 0x80004005.",
                                 L"  TaskDialogIndirect Success 0x80000007.",
                             }));
}

TEST_F(TaskExecute, ProbesReadOncePerRun) {
    platform.diskValue = L"MODEL";
    ASSERT_TRUE(LoadTask(L"Type=7\nData=model"));
    EXPECT_EQ(task->Execute(), 0u);
    platform.diskValue = L"OTHER";
    ASSERT_TRUE(LoadTask(L"Type=7\nData=model"));
    EXPECT_EQ(task->Execute(), 0u) << "the value read first is kept for the run";
    EXPECT_EQ(std::count(platform.journal.begin(), platform.journal.end(), L"DiskQuery Model"), 1);
}

TEST_F(TaskExecute, ParameterTest) {
    platform.storedUpper = {L"/S", L"/DISABLECERTIFICATIONCHECK"};
    ASSERT_TRUE(LoadTask(L"Type=12\nData=/s"));
    EXPECT_EQ(task->Execute(), 0u);
    ASSERT_TRUE(LoadTask(L"Type=12\nData=/q"));
    EXPECT_EQ(task->Execute(), 1u);
    platform.parameterQueries.clear();
    ASSERT_TRUE(LoadTask(L"Type=12"));
    EXPECT_EQ(task->Execute(), 1u);
    EXPECT_TRUE(platform.parameterQueries.empty());
}

TEST_F(TaskExecute, ReturnDataValue) {
    const std::vector<std::pair<const wchar_t*, uint32_t>> cases = {
        {L"0x10", 16}, {L"", 0}, {L"abc", 0}, {L"5", 5}, {L"-2", 0xFFFFFFFE}, {L"12abc", 12},
        {L"0xFFFFFFFF", 0xFFFFFFFF}, {L" 7", 7}};
    for (auto [data, value] : cases) {
        ASSERT_TRUE(LoadTask(std::wstring(L"Type=11\nData=") + data));
        EXPECT_EQ(task->Execute(), value) << data;
    }
}

TEST_F(TaskExecute, MethodAndArgumentChoice) {
    // The starts a task makes, without the window calls before them.
    auto starts = [this] {
        std::vector<std::wstring> found;
        for (const std::wstring& call : platform.journal)
            if (call.rfind(L"Start", 0) == 0) found.push_back(call);
        return found;
    };
    for (const wchar_t* shell : {L"ShellExecuteEx", L"shellexecuteex", L"SHELLEXECUTEEX"}) {
        ASSERT_TRUE(LoadTask(std::wstring(L"Type=0\nPath=a.exe\nMethod=") + shell + L"\nVerb=runas\nParam=/p"));
        platform.journal.clear();
        task->Execute();
        EXPECT_EQ(starts(),
                  std::vector<std::wstring>{L"StartShellExecute \"C:\\pkg\\a.exe\" verb=runas args=/p dir=C:\\pkg\\ shown"})
            << shell;
    }
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=a.exe\nMethod=ShellExecuteEx\nParam_S=/q", 1));
    platform.journal.clear();
    task->Execute();
    EXPECT_EQ(starts(),
              std::vector<std::wstring>{L"StartShellExecute \"C:\\pkg\\a.exe\" verb= args=/q dir=C:\\pkg\\ hidden"});
    for (const wchar_t* process : {L"SHELLEXECUTE", L"", L"\"SHELLEXECUTEEX \"", L"CreateProcess"}) {
        ASSERT_TRUE(LoadTask(std::wstring(L"Type=0\nPath=a.exe\nMethod=") + process));
        platform.journal.clear();
        task->Execute();
        ASSERT_EQ(starts().size(), 1u);
        EXPECT_EQ(starts()[0].rfind(L"StartProcess", 0), 0u) << process;
    }
    // Silent mode takes Param_S, also when it is empty.
    ASSERT_TRUE(LoadTask(L"Type=0\nParam=/normal\nParam_S=", 1));
    EXPECT_EQ(task->Record().ChosenArguments(), L"");
    ASSERT_TRUE(LoadTask(L"Type=0\nParam=/normal\nParam_S=/quiet", 0));
    EXPECT_EQ(task->Record().ChosenArguments(), L"/normal");
    EXPECT_EQ(BuildProcessCommandLine(L"C:\\Program Files\\x y.exe", L"/a \"b c\""),
              L"\"C:\\Program Files\\x y.exe\" /a \"b c\"");
    EXPECT_EQ(BuildProcessCommandLine(L"C:\\x.exe", L""), L"\"C:\\x.exe\"");
}

using TaskWait = Fixture;

TEST_F(TaskWait, AWaitedProgramGivesItsExitCode) {
    platform.pollsBeforeExit = 2;
    platform.exitCode = 0x80000001;
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=a.exe\nWaitExit=TRUE"));
    EXPECT_EQ(task->Execute(), 0u);
    EXPECT_EQ(platform.processesOpen, 1);
    platform.journal.clear();
    EXPECT_EQ(task->IsWaiting(), 1u);
    EXPECT_EQ(task->IsWaiting(), 1u);
    EXPECT_EQ(task->IsWaiting(), 0u);
    EXPECT_EQ(task->GetResult(), 0x80000001u);
    EXPECT_EQ(platform.processesOpen, 0) << "the ended program is let go at once";
    EXPECT_EQ(platform.journal, (std::vector<std::wstring>(3, L"Poll pumping")));
    EXPECT_EQ(task->IsWaiting(), 0u);
}

TEST_F(TaskWait, WhatIsNotWaitedFor) {
    // Not waited for: no look at all; the process is let go with the task.
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=a.exe"));
    task->Execute();
    platform.journal.clear();
    EXPECT_EQ(task->IsWaiting(), 0u);
    EXPECT_TRUE(platform.journal.empty());
    EXPECT_EQ(platform.processesOpen, 1);
    task.reset();
    EXPECT_EQ(platform.processesOpen, 0);
    // A start that failed, or a shell start without a process: nothing to wait for.
    platform.startFails = true;
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=a.exe\nWaitExit=TRUE"));
    EXPECT_EQ(task->Execute(), kTaskFailed);
    EXPECT_EQ(task->IsWaiting(), 0u);
    EXPECT_EQ(task->GetResult(), kTaskFailed);
    platform.startFails = false;
    platform.startWithoutProcess = true;
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=a.exe\nWaitExit=TRUE\nMethod=ShellExecuteEx"));
    EXPECT_EQ(task->Execute(), 0u);
    EXPECT_EQ(task->IsWaiting(), 0u);
    // Other types never wait.
    ASSERT_TRUE(LoadTask(L"Type=1\nWaitExit=TRUE"));
    task->Execute();
    EXPECT_EQ(task->IsWaiting(), 0u);
}

TEST_F(TaskWait, AFailedLookEndsTheWaitWithZero) {
    platform.waitFails = true;
    platform.exitCode = 5;
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=a.exe\nWaitExit=TRUE"));
    task->Execute();
    EXPECT_EQ(task->IsWaiting(), 0u);
    EXPECT_EQ(task->GetResult(), 0u);
    EXPECT_EQ(platform.processesOpen, 0);
    // A browser whose wait fails is not waited for for ever either.
    ASSERT_TRUE(LoadTask(L"Type=4\nURL=http://x\nWaitExit=TRUE"));
    task->Execute();
    EXPECT_EQ(task->IsWaiting(), 0u);
    EXPECT_EQ(task->GetResult(), 0u);
}

TEST_F(TaskWait, ABrowserIsWatchedWithoutDispatching) {
    platform.pollsBeforeExit = 1;
    ASSERT_TRUE(LoadTask(L"Type=4\nURL=http://x\nWaitExit=TRUE"));
    task->Execute();
    platform.journal.clear();
    EXPECT_EQ(task->IsWaiting(), 1u);
    EXPECT_EQ(task->IsWaiting(), 0u);
    EXPECT_EQ(task->GetResult(), 0u) << "the browser's exit code is not the result";
    EXPECT_EQ(platform.journal, (std::vector<std::wstring>{L"Poll", L"Poll"}));
}

TEST_F(TaskWait, ActivateFindsTheTasksWindow) {
    struct Case {
        const wchar_t* body;
        uint32_t silent;
        bool window;
        std::vector<std::wstring> journal;
    };
    const std::vector<Case> cases = {
        {L"Type=0\nPath=a.exe", 0, true, {L"ForegroundWindow"}},
        {L"Type=0\nPath=a.exe", 0, false, {L"ForegroundWindow", L"BringOwnerToFront"}},
        {L"Type=0\nPath=a.exe", 1, false, {L"ForegroundWindow"}},
        {L"Type=1\nMsgTitle=Ask", 0, true, {L"ForegroundDialog Ask"}},
        {L"Type=10", 0, false, {L"ForegroundDialog Firmware", L"BringOwnerToFront"}},
        {L"Type=5", 0, false, {L"BringOwnerToFront"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(LoadTask(c.body, c.silent));
        if (std::wstring(c.body).find(L"Type=0") == 0) task->Execute();
        platform.processHasWindow = platform.dialogOpen = c.window;
        platform.journal.clear();
        task->Activate();
        EXPECT_EQ(platform.journal, c.journal) << c.body;
    }
}

TEST(TaskResult, EachTypesRule) {
    TaskRecord t;
    struct Case {
        uint32_t type;
        uint32_t answer;
        uint32_t result;
    };
    for (Case c : {Case{0, 0, 0}, Case{0, kTaskFailed, kTaskFailed}, Case{1, 2, 2}, Case{2, 0, kTaskFailed},
                   Case{3, 5, kTaskFailed}, Case{4, 1, 0}, Case{5, 1, 0}, Case{5, 0, 1}, Case{6, 3, 3},
                   Case{7, 0, 0}, Case{7, 1, 1}, Case{7, kTaskFailed, 1}, Case{8, 1, 1}, Case{8, 2, kTaskFailed},
                   Case{10, 0x80010002, 0x80010002}, Case{13, 9, 0}}) {
        t.Type = c.type;
        EXPECT_EQ(TaskResult(t, c.answer), c.result) << c.type << " " << c.answer;
    }
    t.Type = TASK_GOTO;
    t.Goto = -3;
    EXPECT_EQ(TaskResult(t, 0), 0xFFFFFFFDu);
    t.Type = TASK_RETURN_VALUE;
    t.Data = L"0x20";
    EXPECT_EQ(TaskResult(t, 0), 0x20u);
    t.Type = TASK_PARAMETER_TEST;
    EXPECT_EQ(TaskResult(t, 1), 0u);
    EXPECT_EQ(TaskResult(t, 0), 1u);
    t.Data.clear();
    EXPECT_EQ(TaskResult(t, 1), 1u) << "an empty Data is never found";
}

TEST(TaskResult, HowAWaitEnded) {
    using State = IStartedProgram::State;
    struct Case {
        uint32_t type;
        TaskOutcome outcome;
        uint32_t result;
    };
    const std::vector<Case> cases = {
        // A waited program: its exit code, 0 when the wait itself failed,
        // the start's 0 when its exit code could not be read.
        {TASK_RUN_PROGRAM, {0, State::Ended, 0x80000001}, 0x80000001},
        {TASK_RUN_PROGRAM, {0, State::Ended, 0}, 0},
        {TASK_RUN_PROGRAM, {0, State::Ended, kTaskFailed}, kTaskFailed},
        {TASK_RUN_PROGRAM, {0, State::Failed, 7}, 0},
        {TASK_RUN_PROGRAM, {0, State::EndedNoCode, 7}, 0},
        // Before the wait ends, and without one, the start decides.
        {TASK_RUN_PROGRAM, {0, State::Running, 7}, 0},
        {TASK_RUN_PROGRAM, {kTaskFailed, State::Running, 7}, kTaskFailed},
        // A browser's end changes nothing.
        {TASK_OPEN_URL, {1, State::Ended, 5}, 0},
        {TASK_OPEN_URL, {1, State::Failed, 5}, 0},
        {TASK_OPEN_URL, {0, State::EndedNoCode, 5}, 0},
    };
    TaskRecord t;
    t.WaitExit = 1;
    for (const Case& c : cases) {
        t.Type = c.type;
        EXPECT_EQ(TaskResult(t, c.outcome), c.result)
            << c.type << " answer " << c.outcome.answer << " state " << int(c.outcome.wait) << " code "
            << c.outcome.exitCode;
    }
}

using TaskNext = Fixture;

TEST_F(TaskNext, ResultKeysPickTheNextTask) {
    ASSERT_TRUE(LoadText(L"[TASK_4]\nType=0\nRET_0x00000000=3\nRET_0x80000001=20\nRET_0x00000001=-1\n"
                         L"RET_0x00000002=0\nRET_0x00000003=abc\nRET_0xFFFFFFFF=0x10\nRET_0x0000000a=9\n",
                         4));
    EXPECT_EQ(task->GetNextTaskNumber(0), 3u);
    EXPECT_EQ(task->GetNextTaskNumber(0x80000001), 20u);
    EXPECT_EQ(task->GetNextTaskNumber(1), 0xFFFFFFFFu);
    EXPECT_EQ(task->GetNextTaskNumber(2), 5u);  // 0 behaves like a missing key
    EXPECT_EQ(task->GetNextTaskNumber(3), 5u);  // text reads as 0
    EXPECT_EQ(task->GetNextTaskNumber(5), 5u);
    EXPECT_EQ(task->GetNextTaskNumber(0xFFFFFFFF), 16u);
    EXPECT_EQ(task->GetNextTaskNumber(10), 9u);  // key names compare without case
    EXPECT_EQ(ResultKeyName(0x80000001), L"RET_0x80000001");
    EXPECT_EQ(ResultKeyName(0xab), L"RET_0x000000AB");
    EXPECT_EQ(TaskSectionName(0xFFFFFFFE), L"TASK_-2");
}

TEST_F(TaskNext, GotoIgnoresResultKeys) {
    ASSERT_TRUE(LoadText(L"[TASK_2]\nType=9\nGoto=7\nRET_0x00000007=3\n", 2));
    EXPECT_EQ(task->GetNextTaskNumber(7), 7u);
    ASSERT_TRUE(LoadText(L"[TASK_2]\nType=9\nRET_0xFFFFFFFF=3\n", 2));
    EXPECT_EQ(task->GetNextTaskNumber(0xFFFFFFFF), 0xFFFFFFFFu);
}

using TaskVerify = Fixture;

TEST_F(TaskVerify, OnlyProgramTasksAreChecked) {
    platform.trustResult = int32_t(0x800B0100);
    platform.hashResult = L"AA";
    ASSERT_TRUE(LoadTask(L"Type=1\nPath=a.exe\nDistinct=BB\nCalcFile=C:\\a.exe"));
    EXPECT_EQ(task->VerifyTarget(), 1u);
    EXPECT_TRUE(platform.verified.empty());
    EXPECT_TRUE(platform.hashed.empty());
}

TEST_F(TaskVerify, SignatureAndHashOutcomes) {
    struct Case {
        const wchar_t* body;
        int32_t trust;
        const wchar_t* hash;
        uint32_t answer;
        std::vector<std::wstring> logs;
        size_t hashCalls;
    };
    const std::wstring good = L"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
    const std::vector<Case> cases = {
        {L"", 0, L"", 1, {}, 0},
        {L"", int32_t(0x800B0100), L"", 0, {L"  WinVerifyTrust return 0x800B0100."}, 0},
        {L"Verify=false", int32_t(0x800B0100), L"", 1, {}, 0},
        {L"Verify=0", int32_t(0x800B0100), L"", 0, {L"  WinVerifyTrust return 0x800B0100."}, 0},
        {L"Distinct=e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\nCalcFile=x.bin", 0,
         good.c_str(), 1, {}, 1},
        {L"Distinct=00\nCalcFile=x.bin", 0, good.c_str(), 0, {L"  Hash is different."}, 1},
        {L"Distinct=E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855 \nCalcFile=x.bin", 0,
         good.c_str(), 1, {}, 1},  // the profile reader trims the value
        {L"Distinct=\"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855 \"\nCalcFile=x.bin", 0,
         good.c_str(), 0, {L"  Hash is different."}, 1},
        {L"Distinct=AA\nCalcFile=x.bin", 0, L"", 0, {L"  Hash is different."}, 1},  // unreadable file
        {L"Distinct=AA", 0, L"", 1, {}, 0},
        {L"CalcFile=x.bin", 0, L"", 1, {}, 0},
        {L"Distinct=00\nCalcFile=x.bin", int32_t(0x800B0100), good.c_str(), 0,
         {L"  WinVerifyTrust return 0x800B0100.", L"  Hash is different."}, 1},
        {L"Distinct=E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855\nCalcFile=x.bin",
         int32_t(0x800B0100), good.c_str(), 0, {L"  WinVerifyTrust return 0x800B0100."}, 1},
    };
    for (const auto& c : cases) {
        platform.verified.clear();
        platform.hashed.clear();
        platform.logs.clear();
        platform.held.clear();
        platform.trustResult = c.trust;
        platform.hashResult = c.hash;
        ASSERT_TRUE(LoadTask(std::wstring(L"Type=0\nPath=tool.exe\n") + c.body));
        EXPECT_EQ(task->VerifyTarget(), c.answer) << c.body;
        EXPECT_EQ(platform.logs, c.logs) << c.body;
        EXPECT_EQ(platform.hashed.size(), c.hashCalls) << c.body;
        if (task->Record().Verify) {
            EXPECT_EQ(platform.verified, std::vector<std::wstring>{L"C:\\pkg\\tool.exe"}) << c.body;
        } else {
            EXPECT_TRUE(platform.verified.empty()) << c.body;
        }
    }
}

TEST_F(TaskVerify, VerifiedFilesStayHeldUntilTheProgramRuns) {
    const std::wstring good = L"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
    const std::multiset<std::wstring> both{L"C:\\pkg\\tool.exe", L"C:\\fw.bin"};
    struct Case {
        const wchar_t* keys;
        uint32_t startResult;
        std::multiset<std::wstring> heldAfterStart;
    };
    const std::vector<Case> cases = {
        // Waited for: CalcFile stays held until the program has ended.
        {L"WaitExit=TRUE\n", 0, {L"C:\\fw.bin"}},
        {L"WaitExit=TRUE\nMethod=ShellExecuteEx\n", 0, {L"C:\\fw.bin"}},
        // Not waited for, or not started: nothing is held any more.
        {L"", 0, {}},
        {L"WaitExit=TRUE\n", kTaskFailed, {}},
    };
    for (const auto& c : cases) {
        platform.hashResult = good;
        ASSERT_TRUE(LoadTask(std::wstring(L"Type=0\nPath=tool.exe\nCalcFile=C:\\fw.bin\nDistinct=") + good + L"\n" +
                             c.keys));
        platform.startFails = c.startResult != 0;
        ASSERT_EQ(task->VerifyTarget(), 1u);
        EXPECT_EQ(platform.held, both) << c.keys;
        std::multiset<std::wstring> heldWhileStarting;
        platform.onAction = [&] { heldWhileStarting = platform.held; };
        task->Execute();
        platform.onAction = nullptr;
        EXPECT_EQ(heldWhileStarting, both) << c.keys;
        EXPECT_EQ(platform.held, c.heldAfterStart) << c.keys;
        EXPECT_EQ(task->IsWaiting(), 0u);  // the program has ended
        EXPECT_TRUE(platform.held.empty()) << c.keys;
    }
    // The end of the task ends every hold.
    ASSERT_TRUE(
        LoadTask(std::wstring(L"Type=0\nPath=tool.exe\nWaitExit=TRUE\nCalcFile=C:\\fw.bin\nDistinct=") + good));
    ASSERT_EQ(task->VerifyTarget(), 1u);
    EXPECT_EQ(platform.held.size(), 2u);
    task.reset();
    EXPECT_TRUE(platform.held.empty());
}

TEST_F(TaskVerify, FilesThatCannotBeHeldAreNotTrusted) {
    platform.unopenable = {L"C:\\pkg\\tool.exe", L"C:\\fw.bin"};
    ASSERT_TRUE(LoadTask(L"Type=0\nPath=tool.exe\nCalcFile=C:\\fw.bin\nDistinct=AA"));
    EXPECT_EQ(task->VerifyTarget(), 0u);
    EXPECT_EQ(platform.logs,
              (std::vector<std::wstring>{L"  WinVerifyTrust return 0x00000002.", L"  Hash is different."}));
    EXPECT_TRUE(platform.held.empty());
}
