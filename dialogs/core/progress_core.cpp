#include "progress_core.h"

#include "cmdline.h"
#include "config.h"
#include "text.h"

namespace prg {

Mode DecideMode(bool on, bool off, bool silent) {
    if (on) return Mode::On;
    if (off) return Mode::Off;
    if (silent) return Mode::Silent;
    return Mode::None;
}

Options ReadOptions(const CParseParam& params) {
    int32_t on = 0, off = 0, silent = 0;
    params.Find(L"ON", &on);
    params.Find(L"OFF", &off);
    params.Find(L"Silent", &silent);
    Options options;
    options.mode = DecideMode(on != 0, off != 0, silent != 0);
    options.logPath = params.Find(L"LOG:", nullptr);
    return options;
}

Texts ReadTexts(const fwu::CGlobalIniMgr& ini) {
    Texts t;
    t.title = ini.GetString(L"MSG", L"IDS_STR_TITLE", L"");
    t.message = fwu::ExpandLineBreaks(ini.GetString(L"MSG", L"IDC_STATIC_PROGRESS", L""), L"\r\n");
    return t;
}

uint32_t TargetFromPercent(uint32_t percent) {
    // Large percentages would wrap when multiplied: clamp first.
    if (percent > kBarRange / 10) return kBarRange;
    return percent * 10;
}

SmoothStep NextSmoothStep(uint32_t current, uint32_t target) {
    SmoothStep s;
    uint32_t n = static_cast<uint32_t>((uint64_t(target) + 2 * uint64_t(current)) / 3);
    int64_t gap = int64_t(target) - int64_t(n);
    if (gap * gap < 10) {
        s.stopSmoothing = true;
        n = target;
    }
    if (n >= kBarRange) {
        s.startClose = true;
        n = kBarRange;
    }
    s.position = n;
    return s;
}

uint32_t RunOff(IOffEnv& env) {
    const uint32_t start = env.Now();
    while (!env.FindInstanceWindow()) {
        if (env.Now() - start >= kOnStartWaitMs) return 0;
        env.Sleep(kOnStartPollMs);
    }
    env.PostClose();
    while (env.InstanceExists()) env.Sleep(kOffPollMs);
    return 0;
}

int PassiveShowCommand(int showCommand) {
    switch (showCommand) {
        case kHide:
        case kShowNoActivate:
        case kMinimize:
        case kShowMinNoActive:
        case kShowNa:
        case kForceMinimize:
            return showCommand;
        case kShowMinimized:
            return kShowMinNoActive;
        case kShowNormal:
        case kRestore:
        case kShowDefault:
            return kShowNoActivate;
        case kShowMaximized:
        case kShow:
        default:
            return kShowNa;
    }
}

}  // namespace prg
