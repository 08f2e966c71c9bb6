#include "iniseal_core.h"

#include "config.h"
#include "fwu_version.h"
#include "inifile.h"
#include "text.h"

namespace fwu {

namespace {
size_t CountValues(const IniDocument& d) {
    size_t n = 0;
    for (const auto& s : d.sections) n += s.entries.size();
    return n;
}

// Why a file fails the integrity check: too short to carry a trailer at all,
// or a trailer whose CRC-32 does not match. Update refuses both alike (its
// exit code 3), so both keep IniSeal's exit code 3; the texts tell them apart.
const wchar_t kTooShort[] =
    L"not a sealed file: shorter than the 8-byte trailer, so it cannot be checked (Update refuses it as "
    L"falsified)";
const wchar_t kMismatch[] =
    L"checksum mismatch: the CRC-32 trailer does not match the file (changed after sealing; Update refuses it)";
}  // namespace

SealOutcome SealIni(const std::vector<uint8_t>& plainFile) {
    SealOutcome o;
    IntegrityResult r = CheckIntegrity(plainFile.data(), plainFile.size());
    if (r.encoded) return {5, L"the file is sealed already", {}};
    if (plainFile.size() >= 8 && !r.valid) return {3, kMismatch, {}};
    // Sealed as Update reads the plain file, so sealing never changes what a
    // run does; lines that read otherwise than they seem are named.
    std::vector<IniOddLine> odd;
    IniDocument doc = ParseIni(DecodeFileText(plainFile), &odd);
    for (auto& s : doc.sections)
        for (auto& e : s.entries) e.value = EncodeSealedValue(e.value);
    o.bytes = SerializeIniUtf16(doc);
    AppendTrailer(o.bytes);
    o.message = FormatString(L"sealed: %u sections, %u values", unsigned(doc.sections.size()),
                             unsigned(CountValues(doc)));
    for (const IniOddLine& line : odd) {
        if (line.kind == IniOddLine::Kind::OpenHeader)
            o.message += FormatString(L"\nwarning: line %d: '%ls' lacks its closing bracket: it opens no section, "
                                      L"as Update reads it, so the keys below it stay in %ls",
                                      line.line, line.text.c_str(),
                                      line.section.empty() ? L"no section and are left out"
                                                           : (L"[" + line.section + L"]").c_str());
        else if (line.kind == IniOddLine::Kind::BeforeSections)
            o.message += FormatString(L"\nwarning: line %d: '%ls' stands before the first section and is left "
                                      L"out, as Update never reads it",
                                      line.line, line.text.c_str());
    }
    return o;
}

SealOutcome OpenIni(const std::vector<uint8_t>& sealedFile) {
    SealOutcome o;
    IntegrityResult r = CheckIntegrity(sealedFile.data(), sealedFile.size());
    if (!r.valid) return {3, sealedFile.size() < 8 ? kTooShort : kMismatch, {}};
    if (!r.encoded) return {5, L"not a sealed file: it has no CRC-32 trailer (a plain file needs no opening)", {}};
    IniDocument doc = ParseIni(DecodeFileText(sealedFile));
    for (auto& s : doc.sections) {
        for (auto& e : s.entries) {
            std::wstring value;
            if (!DecodeSealedValue(e.value, value))
                return {4, FormatString(L"line %d: [%ls] %ls does not hold a sealed value", e.line, s.name.c_str(),
                                        e.key.c_str()),
                        {}};
            e.value = value;
        }
    }
    o.bytes = SerializeIniUtf16(doc);
    o.message = FormatString(L"opened: %u sections, %u values", unsigned(doc.sections.size()),
                             unsigned(CountValues(doc)));
    return o;
}

SealOutcome VerifyIni(const std::vector<uint8_t>& file) {
    IntegrityResult r = CheckIntegrity(file.data(), file.size());
    if (!r.valid) return {3, file.size() < 8 ? kTooShort : kMismatch, {}};
    IniDocument doc = ParseIni(DecodeFileText(file));
    if (!r.encoded) return {0, FormatString(L"valid: plain file, %u sections", unsigned(doc.sections.size())), {}};
    for (const auto& s : doc.sections) {
        for (const auto& e : s.entries) {
            std::wstring value;
            if (!DecodeSealedValue(e.value, value))
                return {4, FormatString(L"line %d: [%ls] %ls does not hold a sealed value", e.line, s.name.c_str(),
                                        e.key.c_str()),
                        {}};
        }
    }
    return {0, FormatString(L"valid: sealed file, %u sections, %u values", unsigned(doc.sections.size()),
                            unsigned(CountValues(doc))),
            {}};
}

int IniSealMain(const std::vector<std::wstring>& args, std::wstring& out) {
    const std::wstring usage =
        L"usage: IniSeal seal IN OUT | IniSeal open IN OUT | IniSeal verify FILE | IniSeal --version\n"
        L"  seal    writes the sealed form of the plain file IN to OUT (comment lines are not kept)\n"
        L"  open    writes the plain form of the sealed file IN to OUT\n"
        L"  verify  checks FILE the way Update does\n"
        L"exit codes: 0 done (verify: Update accepts the file, sealed or plain)\n"
        L"            1 usage\n"
        L"            2 a file cannot be read or written\n"
        L"            3 the file fails the integrity check: checksum mismatch, or shorter than 8 bytes\n"
        L"              (Update refuses it with its exit code 3)\n"
        L"            4 a sealed file holds a value that does not decode\n"
        L"            5 seal of a file that is sealed already, or open of a file that is not sealed";
    if (args.size() == 2 && (args[1] == L"--version" || args[1] == L"-v")) {
        out = L"IniSeal " FWU_VERSION_STRING;
        return 0;
    }
    if (args.size() == 2 && (args[1] == L"--help" || args[1] == L"-h")) {
        out = usage;
        return 0;
    }
    if (args.size() < 2) {
        out = usage;
        return 1;
    }
    const std::wstring& verb = args[1];
    const bool verify = verb == L"verify";
    if ((verify && args.size() != 3) || (!verify && (args.size() != 4 || (verb != L"seal" && verb != L"open")))) {
        out = usage;
        return 1;
    }
    std::vector<uint8_t> in;
    if (!ReadWholeFile(std::filesystem::path(args[2]), in)) {
        out = L"cannot read " + args[2];
        return 2;
    }
    SealOutcome o = verify ? VerifyIni(in) : verb == L"seal" ? SealIni(in) : OpenIni(in);
    out = args[2] + L": " + o.message;
    if (o.exitCode != 0 || verify) return o.exitCode;
    if (!WriteWholeFile(std::filesystem::path(args[3]), o.bytes)) {
        out = L"cannot write " + args[3];
        return 2;
    }
    out += L" -> " + args[3];
    return 0;
}

}  // namespace fwu
