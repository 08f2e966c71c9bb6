// A parsed initialisation file, read the way the platform's profile
// functions read it: used by IniSeal, the task-list checker and tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config.h"

namespace fwu {

struct IniEntry {
    std::wstring key;
    std::wstring value;  // trimmed, surrounding quotes removed
    int line = 0;        // 1-based line of the file
};

struct IniSection {
    std::wstring name;
    int line = 0;
    std::vector<IniEntry> entries;
    // First entry whose key matches ignoring ASCII case, or null.
    const IniEntry* Find(const std::wstring& key) const;
};

struct IniDocument {
    std::vector<IniSection> sections;
    // First section whose name matches ignoring ASCII case, or null.
    const IniSection* Find(const std::wstring& name) const;
    IniSection* Find(const std::wstring& name);
};

enum class TextEncoding { Utf16Le, Utf8 };

// Decodes file bytes: UTF-16LE with byte-order mark, else UTF-8 (with or
// without mark). A trailer, when present, is not part of the text.
std::wstring DecodeFileText(const std::vector<uint8_t>& bytes, TextEncoding* encoding = nullptr);

// A line that the profile functions read differently from what it seems to
// be.
struct IniOddLine {
    enum class Kind {
        OpenHeader,      // "[" without "]": opens no section, the line is dropped
        NoEquals,        // a name alone (or "=value"): a key without a value
        BeforeSections,  // a key before the first section: never read
    };
    Kind kind = Kind::NoEquals;
    int line = 0;          // 1-based
    std::wstring section;  // the section the line falls into (empty: none)
    std::wstring text;     // the line, trimmed
};

// Reads a file's text the way the platform's profile functions read it:
// lines end at line feeds and lose the blanks around them; a line that
// starts with "[" and holds a "]" opens the section named between the "["
// and its last "]"; every other line is a key of the section above it,
// "name=value" or a name alone (which reads as an empty value), and a pair
// of matching quotes around a value is removed. A "[" line without its "]"
// therefore opens nothing: the keys below it fall into the section before
// it. Lines starting with ";" are comments. `odd`, when given, receives the
// lines that read differently from what they seem to be.
IniDocument ParseIni(const std::wstring& text, std::vector<IniOddLine>* odd = nullptr);

// UTF-16LE with byte-order mark and CR LF line ends. A value that parsing
// would change (blanks at either end, matching quotes around it) is written
// in double quotes, so that ParseIni gives it back as it is.
std::vector<uint8_t> SerializeIniUtf16(const IniDocument& doc);

// Appends the CRC-32 trailer over all bytes so far.
void AppendTrailer(std::vector<uint8_t>& bytes);

// A profile source over a parsed document (any path reads the document).
// A read gives what IniDocument::Find and IniSection::Find give (the first
// section of the name, the first key of the name in it, ASCII case
// ignored), looked up by name in hash tables that ignore ASCII case instead
// of compared against every section and key.
class IniDocumentSource : public IProfileSource {
public:
    explicit IniDocumentSource(IniDocument doc);
    bool Read(const std::wstring& path, std::wstring_view section, std::wstring_view key,
              std::wstring& text) override;
    const IniDocument& Document() const { return m_doc; }

private:
    // Hash and equality of names as EqualsNoCaseAscii compares them; a
    // name is looked up as it is given, without a copy.
    struct NoCaseHash {
        using is_transparent = void;
        size_t operator()(std::wstring_view name) const;
    };
    struct NoCaseEqual {
        using is_transparent = void;
        bool operator()(std::wstring_view a, std::wstring_view b) const;
    };
    template <typename T>
    using NoCaseMap = std::unordered_map<std::wstring, T, NoCaseHash, NoCaseEqual>;
    struct SectionIndex {
        size_t section = 0;
        NoCaseMap<size_t> entries;  // key -> first entry of the name
    };
    IniDocument m_doc;
    NoCaseMap<SectionIndex> m_index;  // name -> first section of the name
};

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes);
bool WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace fwu
