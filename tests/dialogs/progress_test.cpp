#include <gtest/gtest.h>

#include "cmdline.h"
#include "config.h"
#include "inifile.h"
#include "progress_core.h"

using namespace prg;

namespace {
CParseParam Args(std::vector<std::wstring> a) {
    a.insert(a.begin(), L"C:\\pkg\\Progress.exe");
    return CParseParam(std::move(a));
}
}  // namespace

TEST(ProgressOptions, ModePrecedenceOnOffSilent) {
    struct Case {
        std::vector<std::wstring> args;
        Mode mode;
    } cases[] = {
        {{L"/ON"}, Mode::On},
        {{L"/OFF", L"/ON"}, Mode::On},
        {{L"-off", L"/Silent"}, Mode::Off},
        {{L"/silent"}, Mode::Silent},
        {{L"/Silent", L"/on"}, Mode::On},
        {{}, Mode::None},
        {{L"/ONE", L"/OFFLINE", L"/Silently"}, Mode::None},  // longer words are not the flags
        {{L"ON", L"OFF"}, Mode::None},                       // no prefix
    };
    for (const Case& c : cases) {
        Options o = ReadOptions(Args(c.args));
        EXPECT_EQ(o.mode, c.mode) << (c.args.empty() ? std::string("(none)") : std::string(c.args[0].begin(), c.args[0].end()));
    }
    EXPECT_EQ(ReadOptions(Args({L"/OFF", L"/LOG:C:\\p.log"})).logPath, L"C:\\p.log");
}

TEST(ProgressConfig, ExitCodesAndMessages) {
    fwu::ConfigVerdict ok = fwu::JudgeConfig(true, true, kConfigRefusal);
    EXPECT_TRUE(ok.proceed);
    fwu::ConfigVerdict missing = fwu::JudgeConfig(false, false, kConfigRefusal);
    EXPECT_FALSE(missing.proceed);
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_STREQ(missing.message, L"Ini file is not found.");
    EXPECT_FALSE(missing.errorIcon);
    EXPECT_STREQ(missing.logLine, L"error - ini file not found.");
    // A missing file is reported as missing even though its flags are unset.
    EXPECT_EQ(fwu::JudgeConfig(false, true, kConfigRefusal).exitCode, 1u);
    fwu::ConfigVerdict falsified = fwu::JudgeConfig(true, false, kConfigRefusal);
    EXPECT_FALSE(falsified.proceed);
    EXPECT_EQ(falsified.exitCode, 2u);
    EXPECT_STREQ(falsified.message, L"Falsify ini file.");
    EXPECT_TRUE(falsified.errorIcon);
    EXPECT_STREQ(falsified.logLine, L"error - falsify ini file.");
}

TEST(ProgressTexts, TitleAndTwoLineMessagePlainAndSealed) {
    fwu::IniDocumentSource plain(fwu::ParseIni(
        L"[MSG]\nIDS_STR_TITLE=Updating\\nfirmware\nIDC_STATIC_PROGRESS=Please wait.\\nDo not switch off.\n"));
    fwu::CGlobalIniMgr mgr(plain);
    mgr.SetLoaded(L"x", {true, false});
    Texts t = ReadTexts(mgr);
    EXPECT_EQ(t.title, L"Updating\\nfirmware");  // the title is used as it stands
    EXPECT_EQ(t.message, L"Please wait.\r\nDo not switch off.");

    fwu::IniDocumentSource sealed(fwu::ParseIni(L"[MSG]\nIDC_STATIC_PROGRESS=" +
                                                fwu::EncodeSealedValue(L"a\\n\\nb") + L"\n"));
    fwu::CGlobalIniMgr enc(sealed);
    enc.SetLoaded(L"x", {true, true});
    Texts e = ReadTexts(enc);
    EXPECT_EQ(e.title, L"");
    EXPECT_EQ(e.message, L"a\r\n\r\nb");
}

namespace {
// A simulated clock and an ON instance that comes up (its window appears)
// at a given time and ends some time after it is asked to close.
class FakeOff : public IOffEnv {
public:
    uint32_t now = 0;
    int64_t windowAt = -1;   // -1: no ON instance ever comes up
    uint32_t endsAfterClose = 900;
    int64_t closedAt = -1;
    int closes = 0;

    bool FindInstanceWindow() override { return windowAt >= 0 && now >= windowAt && closedAt < 0; }
    void PostClose() override {
        ++closes;
        closedAt = now;
    }
    bool InstanceExists() override {
        if (windowAt < 0 || now < windowAt) return false;
        return closedAt < 0 || now < closedAt + endsAfterClose;
    }
    uint32_t Now() override { return now; }
    void Sleep(uint32_t ms) override { now += ms; }
};
}  // namespace

TEST(ProgressOff, ClosesAnInstanceThatIsStillStarting) {
    for (int64_t at : {0, 50, 1200, 4900}) {
        FakeOff env;
        env.windowAt = at;
        EXPECT_EQ(RunOff(env), 0u);
        EXPECT_EQ(env.closes, 1) << at;
        EXPECT_GE(env.closedAt, at);
        EXPECT_LT(env.closedAt, at + 100);
        // Returns only once the instance has ended.
        EXPECT_GE(env.now, uint32_t(env.closedAt + env.endsAfterClose));
    }
}

TEST(ProgressOff, WithNoInstanceReturnsWithinTheBound) {
    FakeOff env;
    EXPECT_EQ(RunOff(env), 0u);
    EXPECT_EQ(env.closes, 0);
    EXPECT_GE(env.now, kOnStartWaitMs);
    EXPECT_LT(env.now, kOnStartWaitMs + 100);

    // An instance that comes up too late is not waited for.
    FakeOff late;
    late.windowAt = kOnStartWaitMs + 500;
    EXPECT_EQ(RunOff(late), 0u);
    EXPECT_EQ(late.closes, 0);

    // The tick count wrapping around during the wait changes nothing.
    FakeOff wrap;
    wrap.now = 0xFFFFFF00u;
    EXPECT_EQ(RunOff(wrap), 0u);
    EXPECT_EQ(wrap.now - 0xFFFFFF00u, kOnStartWaitMs);
}

TEST(ProgressOn, HiddenWindowIsShownWithoutActivation) {
    // SW_ values: the activating ones become their passive forms.
    const int cases[][2] = {{0, 0}, {1, 4}, {2, 7}, {3, 8}, {4, 4}, {5, 8}, {6, 6},
                            {7, 7}, {8, 8}, {9, 4}, {10, 4}, {11, 11}, {12, 8}, {-1, 8}};
    for (auto& c : cases) EXPECT_EQ(PassiveShowCommand(c[0]), c[1]) << c[0];
}
