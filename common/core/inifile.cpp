#include "inifile.h"

#include <fstream>
#include <iterator>

#include "bytes.h"
#include "crc32.h"
#include "text.h"

namespace fwu {

const IniEntry* IniSection::Find(const std::wstring& key) const {
    for (const auto& e : entries)
        if (EqualsNoCaseAscii(e.key, key)) return &e;
    return nullptr;
}

const IniSection* IniDocument::Find(const std::wstring& name) const {
    for (const auto& s : sections)
        if (EqualsNoCaseAscii(s.name, name)) return &s;
    return nullptr;
}

IniSection* IniDocument::Find(const std::wstring& name) {
    return const_cast<IniSection*>(static_cast<const IniDocument*>(this)->Find(name));
}

std::wstring DecodeFileText(const std::vector<uint8_t>& bytes, TextEncoding* encoding) {
    size_t end = bytes.size();
    if (end >= 8 && bytes[end - 4] == 0x78 && bytes[end - 3] == 0x56 && bytes[end - 2] == 0x34 &&
        bytes[end - 1] == 0x12)
        end -= 8;
    if (end >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (encoding) *encoding = TextEncoding::Utf16Le;
        const std::u16string units = Utf16LeUnits(bytes.data() + 2, end - 2);
        return FromUtf16(units.data(), units.size());
    }
    if (encoding) *encoding = TextEncoding::Utf8;
    size_t start = (end >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ? 3 : 0;
    return FromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()) + start, end - start));
}

namespace {
bool IsProfileSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' || c == 0x1A;
}

std::wstring_view TrimProfile(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsProfileSpace(s[b])) ++b;
    while (e > b && IsProfileSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}
}  // namespace

IniDocument ParseIni(const std::wstring& text, std::vector<IniOddLine>* odd) {
    IniDocument doc;
    IniSection* current = nullptr;
    auto note = [&](IniOddLine::Kind kind, int line, std::wstring_view t) {
        if (odd) odd->push_back({kind, line, current ? current->name : std::wstring(), std::wstring(t)});
    };
    // Lines and their parts are views into the text; only what the
    // document keeps is copied.
    const std::wstring_view all(text);
    size_t pos = 0;
    int lineNo = 0;
    while (pos < all.size()) {
        size_t nl = all.find(L'\n', pos);
        std::wstring_view line = all.substr(pos, nl == std::wstring_view::npos ? std::wstring_view::npos : nl - pos);
        pos = nl == std::wstring_view::npos ? all.size() : nl + 1;
        ++lineNo;
        std::wstring_view t = TrimProfile(line);
        if (t.empty() || t[0] == L';') continue;
        if (t[0] == L'[') {
            size_t close = t.rfind(L']');
            if (close != std::wstring_view::npos) {
                IniSection s;
                s.name = std::wstring(TrimProfile(t.substr(1, close - 1)));
                s.line = lineNo;
                doc.sections.push_back(std::move(s));
                current = &doc.sections.back();
            } else {
                note(IniOddLine::Kind::OpenHeader, lineNo, t);
            }
            continue;
        }
        if (current == nullptr) {
            note(IniOddLine::Kind::BeforeSections, lineNo, t);
            continue;
        }
        IniEntry e;
        e.line = lineNo;
        size_t eq = t.find(L'=');
        if (eq == std::wstring_view::npos) {
            e.key = std::wstring(t);
            note(IniOddLine::Kind::NoEquals, lineNo, t);
        } else {
            std::wstring_view key = TrimProfile(t.substr(0, eq));
            std::wstring_view value = TrimProfile(t.substr(eq + 1));
            if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            if (key.empty()) {
                note(IniOddLine::Kind::NoEquals, lineNo, t);
                continue;
            }
            e.key = std::wstring(key);
            e.value = std::wstring(value);
        }
        current->entries.push_back(std::move(e));
    }
    return doc;
}

namespace {
// A value as a line holds it: in double quotes when the parser would
// otherwise change it (what the reader trims at either end, a pair of
// matching quotes around it is removed).
std::wstring ValueText(const std::wstring& value) {
    if (value.empty()) return value;
    bool trimmed = IsProfileSpace(value.front()) || IsProfileSpace(value.back());
    bool quoted = value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front();
    return trimmed || quoted ? L"\"" + value + L"\"" : value;
}
}  // namespace

std::vector<uint8_t> SerializeIniUtf16(const IniDocument& doc) {
    std::wstring text;
    bool first = true;
    for (const auto& s : doc.sections) {
        if (!first) text += L"\r\n";
        first = false;
        text += L"[" + s.name + L"]\r\n";
        for (const auto& e : s.entries) text += e.key + L"=" + ValueText(e.value) + L"\r\n";
    }
    std::u16string units = ToUtf16(text);
    std::vector<uint8_t> bytes{0xFF, 0xFE};
    AppendUtf16Le(bytes, units);
    return bytes;
}

void AppendTrailer(std::vector<uint8_t>& bytes) {
    uint32_t crc = CBCrc32().Calc(bytes.data(), bytes.size());
    AppendLe32(bytes, crc);
    AppendLe32(bytes, kTrailerMarker);
}

size_t IniDocumentSource::NoCaseHash::operator()(std::wstring_view name) const {
    // FNV-1a over the upper-case characters.
    uint64_t h = 14695981039346656037ull;
    for (wchar_t c : name) {
        h ^= static_cast<uint64_t>(static_cast<uint32_t>(ToUpperAscii(c)));
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
}

bool IniDocumentSource::NoCaseEqual::operator()(std::wstring_view a, std::wstring_view b) const {
    return EqualsNoCaseAscii(a, b);
}

IniDocumentSource::IniDocumentSource(IniDocument doc) : m_doc(std::move(doc)) {
    for (size_t i = 0; i < m_doc.sections.size(); ++i) {
        auto [slot, added] = m_index.try_emplace(m_doc.sections[i].name);
        if (!added) continue;  // a later section of the same name is never read
        slot->second.section = i;
        const std::vector<IniEntry>& entries = m_doc.sections[i].entries;
        for (size_t k = 0; k < entries.size(); ++k) slot->second.entries.try_emplace(entries[k].key, k);
    }
}

bool IniDocumentSource::Read(const std::wstring&, std::wstring_view section, std::wstring_view key,
                             std::wstring& text) {
    auto s = m_index.find(section);
    if (s == m_index.end()) return false;
    auto e = s->second.entries.find(key);
    if (e == s->second.entries.end()) return false;
    text = m_doc.sections[s->second.section].entries[e->second].value;
    return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace fwu
