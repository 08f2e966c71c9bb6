// Feeds whole config.ini files to IniSeal's seal and open, and reads each
// value the way the programs read config.ini: every value reads the same
// from the plain file, the sealed one, and the sealed one opened again.
// (That sealing, verifying and opening succeed is fuzz_config_seal.)
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config.h"
#include "inifile.h"
#include "iniseal_core.h"

namespace {

// What a reader of C strings sees of a value.
std::wstring UpToNul(const std::wstring& s) { return s.substr(0, s.find(L'\0')); }

struct Reader {
    explicit Reader(const std::vector<uint8_t>& bytes)
        : source(fwu::ParseIni(fwu::DecodeFileText(bytes))), mgr(source) {
        mgr.SetLoaded(L"config.ini", fwu::CheckIntegrity(bytes.data(), bytes.size()));
    }
    std::wstring Get(const std::wstring& section, const std::wstring& key) const {
        return UpToNul(mgr.GetString(section, key, L"\x1F<absent>"));
    }
    fwu::IniDocumentSource source;
    fwu::CGlobalIniMgr mgr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::vector<uint8_t> plain(data, data + size);
    fwu::SealOutcome sealed = fwu::SealIni(plain);
    if (sealed.exitCode != 0) return 0;
    fwu::SealOutcome opened = fwu::OpenIni(sealed.bytes);
    if (opened.exitCode != 0) std::abort();
    Reader plainReader(plain), sealedReader(sealed.bytes), openedReader(opened.bytes);
    for (const auto& s : plainReader.source.Document().sections) {
        for (const auto& e : s.entries) {
            std::wstring value = plainReader.Get(s.name, e.key);
            if (sealedReader.Get(s.name, e.key) != value) std::abort();
            if (openedReader.Get(s.name, e.key) != value) std::abort();
        }
    }
    return 0;
}
