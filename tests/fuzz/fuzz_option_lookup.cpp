// Splits the input into arguments at NUL code units and looks up every
// option the programs know, value and flag forms.
#include <cstdint>
#include <string>
#include <vector>

#include "cmdline.h"
#include "number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::wstring> args(1, L"prog.exe");
    std::wstring current;
    for (size_t i = 0; i + 1 < size; i += 2) {
        wchar_t c = wchar_t(data[i] | (data[i + 1] << 8));
        if (c == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    args.push_back(current);
    CParseParam params(args);
    static const wchar_t* kValues[] = {L"LOG:", L"FTN:", L"HwID:", L"ProbCode:", L"Ver:", L"VID:", L"PID:",
                                       L"TYPE:", L"MSG:", L"ReturnBySilent:"};
    static const wchar_t* kFlags[] = {L"s", L"WaitMultiEnd", L"check", L"increment", L"delete", L"loop", L"ON",
                                      L"OFF", L"Silent", L"t"};
    for (const wchar_t* key : kValues) {
        std::wstring v = params.Find(key, nullptr);
        uint32_t u;
        fwu::ParseUnsignedAuto(v, &u);
        (void)fwu::ParseConfigNumber(v, 0);
    }
    for (const wchar_t* key : kFlags) {
        int32_t flag = 0;
        if (!params.Find(key, &flag).empty()) __builtin_trap();
    }
    return 0;
}
