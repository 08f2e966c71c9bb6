#include "tallykeep_core.h"

#include <climits>

#include "cmdline.h"
#include "config.h"
#include "number.h"
#include "text.h"

namespace tly {

Options ReadOptions(const CParseParam& params) {
    int32_t check = 0, increment = 0, erase = 0, loop = 0;
    params.Find(L"check", &check);
    params.Find(L"increment", &increment);
    params.Find(L"delete", &erase);
    params.Find(L"loop", &loop);
    Options o;
    o.flags = {check != 0, increment != 0, erase != 0, loop != 0};
    o.logPath = params.Find(L"LOG:", nullptr);
    return o;
}

Operation DecideOperation(const Flags& f) {
    if (!f.loop) return Operation::None;
    if (f.erase) return Operation::Delete;
    if (f.increment) return Operation::Increment;
    if (f.check) return Operation::Check;
    return Operation::None;
}

int32_t ReadLimit(bool found, const fwu::CGlobalIniMgr& ini) {
    if (!found || !ini.m_bValid) return kDefaultLimit;
    return fwu::ParseConfigNumber(ini.GetString(kSection, kKey, L""), kDefaultLimit);
}

bool LimitReached(int32_t counter, int32_t limit) { return counter >= limit; }

int32_t NextCount(int32_t counter) { return counter == INT32_MAX ? counter : counter + 1; }

std::wstring CounterFilePath(const std::wstring& exeFolder) {
    return fwu::FormatString(kCounterFileFormat, exeFolder.c_str());
}

namespace {

uint32_t RunLocked(Operation op, ICounterEnv& env) {
    switch (op) {
        case Operation::Check: {
            int32_t limit = env.ReadLimit();
            return LimitReached(env.ReadCounter(), limit) ? kExitReachedLimit : kExitBelowLimit;
        }
        case Operation::Increment: {
            int32_t counter = env.ReadCounter();
            env.Log(fwu::FormatString(L"Read Loop count: %d.", int(counter)));
            int32_t next = NextCount(counter);
            if (uint32_t error = env.WriteCounter(next)) {
                env.Log(fwu::FormatString(L"error - write Loop count failed (%u).", unsigned(error)));
                return kExitWriteFailed;
            }
            env.Log(fwu::FormatString(L"Write Loop count: %d.", int(next)));
            return kExitBelowLimit;
        }
        case Operation::Delete:
            if (uint32_t error = env.DeleteCounter()) {
                env.Log(fwu::FormatString(L"error - delete counter file failed (%u).", unsigned(error)));
                return kExitDeleteFailed;
            }
            return kExitBelowLimit;
        case Operation::None:
            break;
    }
    return kExitNoOperation;
}

}  // namespace

uint32_t Run(Operation op, ICounterEnv& env) {
    uint32_t result = kExitNoOperation;
    if (op != Operation::None) {
        if (uint32_t error = env.Lock()) {
            env.Log(fwu::FormatString(L"error - failed to lock counter (%u).", unsigned(error)));
            result = kExitLockFailed;
        } else {
            result = RunLocked(op, env);
            env.Unlock();
        }
    }
    env.Log(fwu::FormatString(L"return %d.", int(result)));
    return result;
}

}  // namespace tly
