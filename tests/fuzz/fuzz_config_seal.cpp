// Feeds whole config.ini files to IniSeal's seal, open and verify: a file
// that seals must verify, open and seal again to the same file, and every
// value must read the same through the reader sealed as plain. (The reader
// and the integrity check on any bytes have a target of their own,
// fuzz_config_file.)
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

// Reads a file the way the programs read config.ini.
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

void CheckSealRoundTrip(const std::vector<uint8_t>& plain) {
    fwu::SealOutcome sealed = fwu::SealIni(plain);
    if (sealed.exitCode != 0) return;
    fwu::IntegrityResult r = fwu::CheckIntegrity(sealed.bytes.data(), sealed.bytes.size());
    if (!r.valid || !r.encoded) std::abort();
    if (fwu::VerifyIni(sealed.bytes).exitCode != 0) std::abort();
    if (fwu::SealIni(sealed.bytes).exitCode != 5) std::abort();  // sealed already
    fwu::SealOutcome opened = fwu::OpenIni(sealed.bytes);
    if (opened.exitCode != 0) std::abort();
    fwu::SealOutcome resealed = fwu::SealIni(opened.bytes);
    if (resealed.exitCode != 0) std::abort();

    // Every value reads the same plain, sealed, and opened and sealed again
    // without an edit.
    Reader plainReader(plain), sealedReader(sealed.bytes), resealedReader(resealed.bytes);
    for (const auto& s : plainReader.source.Document().sections) {
        for (const auto& e : s.entries) {
            std::wstring value = plainReader.Get(s.name, e.key);
            if (sealedReader.Get(s.name, e.key) != value) std::abort();
            if (resealedReader.Get(s.name, e.key) != value) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    CheckSealRoundTrip(std::vector<uint8_t>(data, data + size));
    return 0;
}
