#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <vector>

#include "cmdline.h"
#include "config.h"
#include "inifile.h"
#include "tallykeep_core.h"

using namespace tly;

namespace {
CParseParam Args(std::vector<std::wstring> a) {
    a.insert(a.begin(), L"C:\\pkg\\Tallykeep.exe");
    return CParseParam(std::move(a));
}

// A counter file in memory, and a record of what the run touched.
class FakeEnv : public ICounterEnv {
public:
    int32_t limit = 1;
    std::optional<int32_t> counter;  // no file
    int limitReads = 0, counterReads = 0, writes = 0, deletes = 0;
    uint32_t lockError = 0, writeError = 0, deleteError = 0;
    bool locked = false;
    int locks = 0;
    std::vector<std::wstring> lines;

    uint32_t Lock() override {
        ++locks;
        if (lockError) return lockError;
        locked = true;
        return 0;
    }
    void Unlock() override {
        EXPECT_TRUE(locked);
        locked = false;
    }
    int32_t ReadLimit() override {
        ++limitReads;
        return limit;
    }
    int32_t ReadCounter() override {
        EXPECT_TRUE(locked);
        ++counterReads;
        return counter.value_or(0);
    }
    uint32_t WriteCounter(int32_t value) override {
        EXPECT_TRUE(locked);
        ++writes;
        if (writeError) return writeError;
        counter = value;
        return 0;
    }
    uint32_t DeleteCounter() override {
        EXPECT_TRUE(locked);
        ++deletes;
        if (deleteError) return deleteError;
        counter.reset();
        return 0;
    }
    void Log(const std::wstring& line) override { lines.push_back(line); }
};

uint32_t RunFlags(FakeEnv& env, Flags f) { return Run(DecideOperation(f), env); }
}  // namespace

TEST(TallykeepOptions, PrecedenceAndLoopRequirement) {
    struct Case {
        std::vector<std::wstring> args;
        Operation op;
    } cases[] = {
        {{L"/check", L"/loop"}, Operation::Check},
        {{L"/increment", L"/loop"}, Operation::Increment},
        {{L"/delete", L"/loop"}, Operation::Delete},
        {{L"/check", L"/increment", L"/loop"}, Operation::Increment},
        {{L"/increment", L"/delete", L"/loop"}, Operation::Delete},
        {{L"/check", L"/increment", L"/delete", L"-LOOP"}, Operation::Delete},
        {{L"/check"}, Operation::None},
        {{L"/delete"}, Operation::None},
        {{L"/loop"}, Operation::None},
        {{L"/checks", L"/loop"}, Operation::None},
        {{L"/check", L"/loops"}, Operation::None},
        {{}, Operation::None},
    };
    for (const Case& c : cases) EXPECT_EQ(DecideOperation(ReadOptions(Args(c.args)).flags), c.op);
    EXPECT_EQ(ReadOptions(Args({L"/LOG:C:\\t.log"})).logPath, L"C:\\t.log");
}

TEST(TallykeepLimit, ConfigRules) {
    fwu::IniDocumentSource src(fwu::ParseIni(L"[Counter]\nLoop=3\n"));
    fwu::CGlobalIniMgr mgr(src);
    mgr.SetLoaded(L"x", {true, false});
    EXPECT_EQ(ReadLimit(true, mgr), 3);
    EXPECT_EQ(ReadLimit(false, mgr), 1);  // no file found

    struct Case {
        std::wstring text;
        int32_t limit;
    } cases[] = {
        {L"[Counter]\nLoop=0x10\n", 16}, {L"[Counter]\nLoop=0\n", 0},    {L"[Counter]\nLoop=-2\n", -2},
        {L"[Counter]\nLoop=\n", 1},      {L"[Other]\nLoop=5\n", 1},       {L"[Counter]\nLoop=4x\n", 4},
        {L"[Counter]\nLoop=many\n", 0},  {L"[counter]\nloop=7\n", 7},
    };
    for (const Case& c : cases) {
        fwu::IniDocumentSource s(fwu::ParseIni(c.text));
        fwu::CGlobalIniMgr m(s);
        m.SetLoaded(L"x", {true, false});
        EXPECT_EQ(ReadLimit(true, m), c.limit);
    }

    fwu::IniDocumentSource bad(fwu::ParseIni(L"[Counter]\nLoop=9\n"));
    fwu::CGlobalIniMgr falsified(bad);
    falsified.SetLoaded(L"x", {false, false});
    EXPECT_EQ(ReadLimit(true, falsified), 1);

    fwu::IniDocumentSource sealed(fwu::ParseIni(L"[Counter]\nLoop=" + fwu::EncodeSealedValue(L"0x3") + L"\n"));
    fwu::CGlobalIniMgr enc(sealed);
    enc.SetLoaded(L"x", {true, true});
    EXPECT_EQ(ReadLimit(true, enc), 3);
}

TEST(TallykeepRun, CheckAgainstLimits) {
    struct Case {
        int32_t limit;
        std::optional<int32_t> counter;
        uint32_t code;
    } cases[] = {
        {1, std::nullopt, 0}, {1, 1, 1}, {3, 0, 0}, {3, 2, 0}, {3, 3, 1}, {3, 4, 1},
        {0, std::nullopt, 1}, {-1, std::nullopt, 1}, {16, 15, 0}, {-5, -6, 0},
    };
    for (const Case& c : cases) {
        FakeEnv env;
        env.limit = c.limit;
        env.counter = c.counter;
        EXPECT_EQ(RunFlags(env, {true, false, false, true}), c.code) << c.limit;
        EXPECT_EQ(env.writes + env.deletes, 0);
        EXPECT_EQ(env.counter, c.counter);
        EXPECT_EQ(env.lines, std::vector<std::wstring>{L"return " + std::to_wstring(c.code) + L"."});
    }
}

TEST(TallykeepRun, LoopOfThree) {
    FakeEnv env;
    env.limit = 3;
    std::vector<uint32_t> checks;
    for (int i = 0; i < 5; ++i) {
        checks.push_back(RunFlags(env, {true, false, false, true}));
        RunFlags(env, {false, true, false, true});
    }
    EXPECT_EQ(checks, (std::vector<uint32_t>{0, 0, 0, 1, 1}));
    EXPECT_EQ(env.counter, 5);
}

TEST(TallykeepRun, IncrementLogsOldAndNewValues) {
    FakeEnv env;
    EXPECT_EQ(RunFlags(env, {true, true, false, true}), 0u);  // check with increment increments
    EXPECT_EQ(env.counter, 1);
    EXPECT_EQ(env.limitReads, 0);
    EXPECT_EQ(env.lines, (std::vector<std::wstring>{L"Read Loop count: 0.", L"Write Loop count: 1.", L"return 0."}));

    env.lines.clear();
    env.counter = INT32_MAX;
    RunFlags(env, {false, true, false, true});
    EXPECT_EQ(env.counter, INT32_MAX);  // does not wrap to a negative count
    EXPECT_EQ(env.lines[1], L"Write Loop count: 2147483647.");
    env.counter = -3;
    RunFlags(env, {false, true, false, true});
    EXPECT_EQ(env.counter, -2);
}

TEST(TallykeepRun, DeleteWinsAndMissingLoopTouchesNothing) {
    FakeEnv env;
    env.counter = 2;
    EXPECT_EQ(RunFlags(env, {true, true, true, true}), 0u);
    EXPECT_EQ(env.deletes, 1);
    EXPECT_EQ(env.writes, 0);
    EXPECT_FALSE(env.counter.has_value());
    EXPECT_EQ(RunFlags(env, {false, false, true, true}), 0u);  // no file to delete: still 0
    EXPECT_EQ(RunFlags(env, {false, true, false, true}), 0u);
    EXPECT_EQ(env.counter, 1);  // after delete the next increment writes 1

    FakeEnv untouched;
    const Flags noLoop[] = {{true, false, false, false}, {false, true, false, false}, {false, false, true, false},
                            {false, false, false, true}, {false, false, false, false}};
    for (const Flags& f : noLoop) EXPECT_EQ(RunFlags(untouched, f), 5u);
    EXPECT_EQ(untouched.limitReads + untouched.counterReads + untouched.writes + untouched.deletes, 0);
    EXPECT_EQ(untouched.locks, 0);
    EXPECT_EQ(untouched.lines.back(), L"return 5.");
}

TEST(TallykeepRun, FailedWriteIsNeverCountedAsDone) {
    FakeEnv env;
    env.counter = 2;
    env.writeError = 206;  // name too long
    EXPECT_EQ(RunFlags(env, {false, true, false, true}), 6u);
    EXPECT_EQ(env.counter, 2);
    EXPECT_EQ(env.lines, (std::vector<std::wstring>{L"Read Loop count: 2.", L"error - write Loop count failed (206).",
                                                    L"return 6."}));
    EXPECT_FALSE(env.locked);

    env.writeError = 0;
    env.lines.clear();
    EXPECT_EQ(RunFlags(env, {false, true, false, true}), 0u);
    EXPECT_EQ(env.lines[1], L"Write Loop count: 3.");
}

TEST(TallykeepRun, DeleteThatLeavesTheFileIsAnError) {
    FakeEnv env;
    env.counter = 4;
    env.deleteError = 32;  // held open by another program
    EXPECT_EQ(RunFlags(env, {false, false, true, true}), 7u);
    EXPECT_EQ(env.counter, 4);
    EXPECT_EQ(env.lines, (std::vector<std::wstring>{L"error - delete counter file failed (32).", L"return 7."}));
    EXPECT_FALSE(env.locked);
}

TEST(TallykeepRun, EveryOperationRunsUnderTheLockAndANoLockRunTouchesNothing) {
    for (Flags f : {Flags{true, false, false, true}, Flags{false, true, false, true}, Flags{false, false, true, true}}) {
        FakeEnv env;
        env.counter = 1;
        RunFlags(env, f);
        EXPECT_EQ(env.locks, 1);
        EXPECT_FALSE(env.locked);  // released again

        FakeEnv busy;
        busy.counter = 1;
        busy.lockError = 258;  // another run kept it too long
        EXPECT_EQ(RunFlags(busy, f), 8u);
        EXPECT_EQ(busy.limitReads + busy.counterReads + busy.writes + busy.deletes, 0);
        EXPECT_EQ(busy.counter, 1);
        EXPECT_EQ(busy.lines, (std::vector<std::wstring>{L"error - failed to lock counter (258).", L"return 8."}));
    }
}

TEST(TallykeepFile, BesideTheProgram) {
    EXPECT_EQ(CounterFilePath(L"C:\\pkg"), L"C:\\pkg\\MyTempCounter.ini");
}
