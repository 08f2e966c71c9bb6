// The configuration reader on hosts other than Windows: files are read with
// the standard library and values through the parsed file, so the portable
// tools and tests use the same reader as the programs.
#include <fstream>

#include "config.h"
#include "inifile.h"
#include "text.h"

namespace fwu {

namespace {
class HostProfileSource : public IProfileSource {
public:
    bool Read(const std::wstring& path, const std::wstring& section, const std::wstring& key,
              std::wstring& text) override {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(ToUtf8(path), bytes)) return false;
        IniDocumentSource doc(ParseIni(DecodeFileText(bytes)));
        return doc.Read(path, section, key, text);
    }
};

}  // namespace

IProfileSource& PlatformProfileSource() {
    static HostProfileSource source;
    return source;
}

CGlobalIniMgr::CGlobalIniMgr() : m_source(&PlatformProfileSource()) {}

void CGlobalIniMgr::Load(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(ToUtf8(path), bytes) || bytes.size() < 8) return;
    SetLoaded(path, CheckIntegrity(bytes.data(), bytes.size()));
}

int LocateConfigFile(CGlobalIniMgr& mgr, ConfigLayout) {
    (void)mgr;
    return 0;  // programs locate their file on Windows only
}

}  // namespace fwu
