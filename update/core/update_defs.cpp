#include "update_defs.h"

#include "cmdline.h"
#include "number.h"
#include "text.h"

namespace upd {

StartupOptions ReadStartupOptions(const CParseParam& params) {
    StartupOptions o;
    int32_t flag = 0;
    params.Find(L"s", &flag);
    o.silent = flag != 0;
    uint32_t first = 0;
    if (fwu::ParseUnsignedAuto(params.Find(L"FTN:", nullptr), &first)) o.firstTask = first;
    flag = 0;
    params.Find(L"WaitMultiEnd", &flag);
    o.waitMultiEnd = flag != 0;
    o.logPath = params.Find(L"LOG:", nullptr);
    return o;
}

bool IsOn(const std::wstring& value) { return fwu::SettingIs(value, L"ON"); }
bool IsOff(const std::wstring& value) { return fwu::SettingIs(value, L"OFF"); }

}  // namespace upd
