// Feeds whole config.ini files to what TaskLint and IniSeal do with them:
// the integrity check, the reader, the checker with its graph, and seal,
// open and verify. A file that seals must verify, open and seal again to the
// same file, and every value must read the same through the reader sealed
// as plain.
#include <cstdint>
#include <string>
#include <vector>

#include "config.h"
#include "inifile.h"
#include "iniseal_core.h"
#include "tasklint_core.h"

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
    if (!r.valid || !r.encoded) __builtin_trap();
    if (fwu::VerifyIni(sealed.bytes).exitCode != 0) __builtin_trap();
    if (fwu::SealIni(sealed.bytes).exitCode != 5) __builtin_trap();  // sealed already
    fwu::SealOutcome opened = fwu::OpenIni(sealed.bytes);
    if (opened.exitCode != 0) __builtin_trap();
    fwu::SealOutcome resealed = fwu::SealIni(opened.bytes);
    if (resealed.exitCode != 0) __builtin_trap();

    // Every value reads the same plain, sealed, and opened and sealed again
    // without an edit.
    Reader plainReader(plain), sealedReader(sealed.bytes), resealedReader(resealed.bytes);
    for (const auto& s : plainReader.source.Document().sections) {
        for (const auto& e : s.entries) {
            std::wstring value = plainReader.Get(s.name, e.key);
            if (sealedReader.Get(s.name, e.key) != value) __builtin_trap();
            if (resealedReader.Get(s.name, e.key) != value) __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::vector<uint8_t> bytes(data, data + size);

    fwu::lint::LintOptions options;  // no package folder: no file system access
    fwu::lint::LintReport report = fwu::lint::LintConfigBytes(bytes, options);
    for (const auto& f : report.findings) (void)fwu::lint::FormatFinding(L"config.ini", f);
    (void)fwu::lint::WriteDot(report, L"config.ini");
    if (report.ExitCode() < 0 || report.ExitCode() > 2) __builtin_trap();

    fwu::SealOutcome verified = fwu::VerifyIni(bytes);
    fwu::SealOutcome opened = fwu::OpenIni(bytes);
    if (opened.exitCode == 0 && verified.exitCode != 0) __builtin_trap();
    CheckSealRoundTrip(bytes);

    // Any bytes with their trailer appended pass the check as sealed.
    std::vector<uint8_t> trailed = bytes;
    fwu::AppendTrailer(trailed);
    fwu::IntegrityResult r = fwu::CheckIntegrity(trailed.data(), trailed.size());
    if (!r.valid || !r.encoded) __builtin_trap();
    return 0;
}
