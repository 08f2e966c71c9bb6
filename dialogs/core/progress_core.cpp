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
