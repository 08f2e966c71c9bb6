// The configuration file: where it lies, its integrity trailer, and how
// values are read and decoded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fwu {

constexpr uint32_t kTrailerMarker = 0x12345678;

struct IntegrityResult {
    bool valid = false;    // no trailer, or a trailer whose CRC matches
    bool encoded = false;  // a trailer whose CRC matches
};

// The integrity check on the whole file's bytes. Files shorter than 8 bytes
// are not valid (they cannot be tested).
IntegrityResult CheckIntegrity(const uint8_t* bytes, size_t length);

// Value decoding of sealed files: Base64 of UTF-16LE, 8 leading code units,
// then the value. Returns false (the caller uses its default) when the text
// is not Base64, decodes to nothing, or holds fewer than 8 code units.
bool DecodeSealedValue(const std::wstring& text, std::wstring& value);
// The inverse: 8 leading code units ("FWUSEAL!" by default) then the value.
std::wstring EncodeSealedValue(const std::wstring& value);

// Where values come from. On Windows this is GetPrivateProfileStringW on
// the file (config_win32.h); tests and portable tools read a parsed file.
class IProfileSource {
public:
    virtual ~IProfileSource() = default;
    // Raw text of section/key in the file at path; false when the key is
    // absent (missing file, section or key).
    virtual bool Read(const std::wstring& path, std::wstring_view section, std::wstring_view key,
                      std::wstring& text) = 0;
};

class CGlobalIniMgr {
public:
    explicit CGlobalIniMgr(IProfileSource& source);
    ~CGlobalIniMgr();

    // Records the file's path and the outcome of its integrity check (the
    // platform's loader reads the file; tests give the outcome).
    void SetLoaded(const std::wstring& path, IntegrityResult result);

    std::wstring GetString(std::wstring_view section, std::wstring_view key, std::wstring_view defaultValue) const;
    int32_t GetInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue) const;

    std::wstring m_strPath;
    int32_t m_bEncoded = 0;
    int32_t m_bValid = 0;

private:
    IProfileSource* m_source;
};

// Language-specific lookup behind LocateConfigFile, replaceable in tests.
class IConfigFileProbe {
public:
    virtual ~IConfigFileProbe() = default;
    // GetFileMUIPath with flags 0x218 and the enumeration cursor `cursor`
    // (updated by the call); false when it fails.
    virtual bool EnumPreferred(const std::wstring& neutralPath, uint64_t& cursor, std::wstring& found) = 0;
    // GetFileMUIPath with flags 0x248 for one language name ("en-US").
    virtual bool FindLanguage(const std::wstring& neutralPath, const std::wstring& language, std::wstring& found) = 0;
    virtual bool Exists(const std::wstring& path) = 0;
    // Checks the integrity of the chosen file and records it in `mgr`
    // (SetLoaded); a file that cannot be read is not recorded.
    virtual void Load(CGlobalIniMgr& mgr, const std::wstring& path) = 0;
};

// Candidate files in order of preference: preferred UI languages, en-US,
// ja-JP (only when en-US failed), the neutral file.
std::vector<std::wstring> CollectConfigCandidates(const std::wstring& neutralPath, IConfigFileProbe& probe);

enum class ConfigLayout {
    UpdateFolder,  // <exe folder>\config\config.ini
    ToolFolder,    // <exe folder>\config.ini
};

std::wstring NeutralConfigPath(const std::wstring& exeFolder, ConfigLayout layout);

// Finds the file and loads it into `mgr` through the probe: 1 when a file was
// found (whatever its integrity), 0 when none exists. The platform's form is
// in the Win32 layer (config_win32.h).
int LocateConfigFile(CGlobalIniMgr& mgr, const std::wstring& exeFolder, ConfigLayout layout,
                     IConfigFileProbe& probe);

// What a program that needs its configuration file does about it before it
// shows anything: go on, or stop with a message box, a log line and an exit
// code.
struct ConfigVerdict {
    bool proceed = true;
    uint32_t exitCode = 0;
    const wchar_t* message = nullptr;  // the box's text (caption "Error")
    bool errorIcon = false;            // MB_ICONERROR, else a plain MB_OK box
    const wchar_t* logLine = nullptr;
};
// What each program makes of the two refusals: its exit codes, and whether
// the box of a missing file carries the error icon (that of a falsified
// file always does).
struct ConfigRefusal {
    uint32_t notFoundExit = 0;
    uint32_t falsifiedExit = 0;
    bool notFoundErrorIcon = false;
};
// `found`: LocateConfigFile found a file; `valid`: its m_bValid. A missing
// file is reported as missing, whatever `valid` says.
ConfigVerdict JudgeConfig(bool found, bool valid, const ConfigRefusal& program);

}  // namespace fwu
