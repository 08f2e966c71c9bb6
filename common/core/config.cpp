#include "config.h"

#include "base64.h"
#include "bytes.h"
#include "crc32.h"
#include "number.h"
#include "text.h"

namespace fwu {

namespace {
constexpr size_t kLeadUnits = 8;
}  // namespace

IntegrityResult CheckIntegrity(const uint8_t* bytes, size_t length) {
    IntegrityResult r;
    if (length < 8) return r;
    const uint8_t* trailer = bytes + length - 8;
    if (ReadLe32(trailer + 4) != kTrailerMarker) {
        r.valid = true;
        return r;
    }
    if (CBCrc32().Calc(bytes, length - 8) == ReadLe32(trailer)) {
        r.valid = true;
        r.encoded = true;
    }
    return r;
}

bool DecodeSealedValue(const std::wstring& text, std::wstring& value) {
    std::vector<uint8_t> bytes;
    if (!Base64Decode(text, bytes) || bytes.empty()) return false;
    // An odd last byte is the low half of one more code unit.
    if (bytes.size() % 2 != 0) bytes.push_back(0);
    std::u16string units = Utf16LeUnits(bytes.data(), bytes.size());
    if (const size_t end = units.find(u'\0'); end != std::u16string::npos) units.resize(end);
    // A decoded text without its 8 leading code units is not a sealed
    // value: the caller falls back to its default.
    if (units.size() < kLeadUnits) return false;
    value = FromUtf16(units.data() + kLeadUnits, units.size() - kLeadUnits);
    return true;
}

std::wstring EncodeSealedValue(const std::wstring& value) {
    std::u16string units = u"FWUSEAL!" + ToUtf16(value);
    std::vector<uint8_t> bytes;
    AppendUtf16Le(bytes, units);
    return Base64Encode(bytes.data(), bytes.size());
}

CGlobalIniMgr::CGlobalIniMgr(IProfileSource& source) : m_source(&source) {}

CGlobalIniMgr::~CGlobalIniMgr() = default;

void CGlobalIniMgr::SetLoaded(const std::wstring& path, IntegrityResult result) {
    m_bValid = result.valid ? 1 : 0;
    if (result.encoded) m_bEncoded = 1;
    m_strPath = path;
}

std::wstring CGlobalIniMgr::GetString(std::wstring_view section, std::wstring_view key,
                                      std::wstring_view defaultValue) const {
    std::wstring text;
    bool present = m_source->Read(m_strPath, section, key, text);
    if (!present) return std::wstring(defaultValue);
    if (!m_bEncoded) return text;
    std::wstring value;
    if (!DecodeSealedValue(text, value)) return std::wstring(defaultValue);
    return value;
}

int32_t CGlobalIniMgr::GetInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue) const {
    return ParseConfigNumber(GetString(section, key, L""), defaultValue);
}

std::vector<std::wstring> CollectConfigCandidates(const std::wstring& neutralPath, IConfigFileProbe& probe) {
    std::vector<std::wstring> list;
    uint64_t cursor = 0;
    std::wstring found;
    // Bounded: a platform that kept answering would otherwise loop forever.
    for (int i = 0; i < 256 && probe.EnumPreferred(neutralPath, cursor, found); ++i) list.push_back(found);
    if (probe.FindLanguage(neutralPath, L"en-US", found)) {
        list.push_back(found);
    } else if (probe.FindLanguage(neutralPath, L"ja-JP", found)) {
        list.push_back(found);
    }
    if (probe.Exists(neutralPath)) list.push_back(neutralPath);
    return list;
}

std::wstring NeutralConfigPath(const std::wstring& exeFolder, ConfigLayout layout) {
    return layout == ConfigLayout::UpdateFolder ? exeFolder + L"\\config\\config.ini" : exeFolder + L"\\config.ini";
}

int LocateConfigFile(CGlobalIniMgr& mgr, const std::wstring& exeFolder, ConfigLayout layout,
                     IConfigFileProbe& probe) {
    std::vector<std::wstring> list = CollectConfigCandidates(NeutralConfigPath(exeFolder, layout), probe);
    if (list.empty()) return 0;
    probe.Load(mgr, list.front());
    return 1;
}

ConfigVerdict JudgeConfig(bool found, bool valid, const ConfigRefusal& program) {
    ConfigVerdict v;
    if (!found) {
        v.proceed = false;
        v.exitCode = program.notFoundExit;
        v.message = L"Ini file is not found.";
        v.errorIcon = program.notFoundErrorIcon;
        v.logLine = L"error - ini file not found.";
    } else if (!valid) {
        v.proceed = false;
        v.exitCode = program.falsifiedExit;
        v.message = L"Falsify ini file.";
        v.errorIcon = true;
        v.logLine = L"error - falsify ini file.";
    }
    return v;
}

}  // namespace fwu
