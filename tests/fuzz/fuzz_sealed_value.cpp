// Feeds arbitrary text to the sealed-value decoder and the integrity check,
// and checks that whatever decodes re-encodes to the same value.
#include <cstdint>
#include <cstring>
#include <string>

#include "config.h"
#include "inifile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(wchar_t(data[i] | (data[i + 1] << 8)));
    std::wstring value;
    if (fwu::DecodeSealedValue(text, value)) {
        std::wstring again;
        if (!fwu::DecodeSealedValue(fwu::EncodeSealedValue(value), again) || again != value) __builtin_trap();
    }
    fwu::CheckIntegrity(data, size);
    std::vector<uint8_t> bytes(data, data + size);
    fwu::IniDocumentSource source(fwu::ParseIni(fwu::DecodeFileText(bytes)));
    fwu::CGlobalIniMgr mgr(source);
    mgr.SetLoaded(L"fuzz", {true, true});
    for (const auto& s : source.Document().sections)
        for (const auto& e : s.entries) (void)mgr.GetInt(s.name, e.key, 0);
    return 0;
}
