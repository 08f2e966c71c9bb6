#include <gtest/gtest.h>

#include <iterator>
#include <memory>

#include "config.h"
#include "inifile.h"
#include "text.h"

using namespace fwu;

TEST(IniFile, ParsesLikeTheProfileFunctions) {
    IniDocument d = ParseIni(L"; comment\r\nstray=1\r\n[TASK_1]\r\n  Path = a b.exe  \r\nQuoted=\"x y\"\r\n"
                             L"Dup=first\r\nDup=second\r\nNoValue\r\n[task_1]\r\nPath=other\r\n");
    ASSERT_EQ(d.sections.size(), 2u);
    const IniSection* s = d.Find(L"TASK_1");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->line, 3);
    EXPECT_EQ(s->Find(L"path")->value, L"a b.exe");
    EXPECT_EQ(s->Find(L"Path")->line, 4);
    EXPECT_EQ(s->Find(L"Quoted")->value, L"x y");
    EXPECT_EQ(s->Find(L"Dup")->value, L"first");
    EXPECT_EQ(s->Find(L"NoValue")->value, L"");
}

TEST(IniFile, LinesThatReadOtherwiseThanTheySeem) {
    // A header without its bracket opens nothing: its keys stay in the
    // section above. A section name runs to the last bracket; a lone carriage
    // return does not end a line.
    std::vector<IniOddLine> odd;
    IniDocument d = ParseIni(L"early=1\n[A]\nx=1\n[TASK_2\ny=2\nbare\n=v\n[B]]\nz=a\rw=3\n", &odd);
    ASSERT_EQ(d.sections.size(), 2u);
    EXPECT_EQ(d.Find(L"TASK_2"), nullptr);
    const IniSection* a = d.Find(L"A");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->Find(L"y"), nullptr);
    EXPECT_EQ(a->Find(L"y")->value, L"2");
    EXPECT_EQ(a->Find(L"bare")->value, L"");
    ASSERT_NE(d.Find(L"B]"), nullptr);
    EXPECT_EQ(d.Find(L"B]")->Find(L"z")->value, L"a\rw=3");
    ASSERT_EQ(odd.size(), 4u);
    EXPECT_EQ(odd[0].kind, IniOddLine::Kind::BeforeSections);
    EXPECT_EQ(odd[0].line, 1);
    EXPECT_EQ(odd[1].kind, IniOddLine::Kind::OpenHeader);
    EXPECT_EQ(odd[1].line, 4);
    EXPECT_EQ(odd[1].section, L"A");
    EXPECT_EQ(odd[1].text, L"[TASK_2");
    EXPECT_EQ(odd[2].kind, IniOddLine::Kind::NoEquals);
    EXPECT_EQ(odd[2].line, 6);
    EXPECT_EQ(odd[3].kind, IniOddLine::Kind::NoEquals);
    EXPECT_EQ(odd[3].line, 7);
}

TEST(IniFile, Utf16RoundTripKeepsEverything) {
    IniDocument d;
    d.sections.push_back({L"S\u00e9ction", 0, {{L"Cl\u00e9", L"\u65e5\u672c\u8a9e", 0}, {L"Empty", L"", 0}}});
    d.sections.push_back({L"TASK_2", 0, {{L"Path", L"%UPDATEDIR%\\fw tool.exe", 0}}});
    auto bytes = SerializeIniUtf16(d);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    TextEncoding enc;
    IniDocument back = ParseIni(DecodeFileText(bytes, &enc));
    EXPECT_EQ(enc, TextEncoding::Utf16Le);
    ASSERT_EQ(back.sections.size(), 2u);
    EXPECT_EQ(back.sections[0].name, L"S\u00e9ction");
    EXPECT_EQ(back.sections[0].entries[0].value, L"\u65e5\u672c\u8a9e");
    EXPECT_EQ(back.sections[1].entries[0].value, L"%UPDATEDIR%\\fw tool.exe");
}

TEST(IniFile, Utf16RoundTripKeepsBlanksAndQuotesAtTheEnds) {
    const std::wstring values[] = {L" lead", L"trail\t", L"\"q\"", L"'q'", L"\"", L"'\"", L"\"\"", L" ",
                                   L"a \"b c\"", L"\"a\" b", L"x=y; z", L"[x]",
                                   // Every character the reader trims at the ends, not only blanks.
                                   L"9$\v", L"\fform", L"end\x1A", L"\r"};
    IniDocument d;
    d.sections.push_back({L"S", 0, {}});
    for (size_t i = 0; i < std::size(values); ++i)
        d.sections[0].entries.push_back({L"K" + std::to_wstring(i), values[i], 0});
    IniDocument back = ParseIni(DecodeFileText(SerializeIniUtf16(d)));
    ASSERT_EQ(back.sections.size(), 1u);
    ASSERT_EQ(back.sections[0].entries.size(), std::size(values));
    for (size_t i = 0; i < std::size(values); ++i) EXPECT_EQ(back.sections[0].entries[i].value, values[i]) << i;
}

TEST(IniFile, DecodesUtf8AndIgnoresTrailer) {
    std::string text = "\xEF\xBB\xBF[A]\nk=\xC3\xA9\n";
    std::vector<uint8_t> bytes(text.begin(), text.end());
    AppendTrailer(bytes);
    IniDocument d = ParseIni(DecodeFileText(bytes));
    ASSERT_NE(d.Find(L"A"), nullptr);
    EXPECT_EQ(d.Find(L"A")->Find(L"k")->value, L"\u00e9");
}

TEST(IniFile, BinaryGarbageParsesWithoutCrashing) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 4096; ++i) bytes.push_back(uint8_t((i * 7919) & 0xFF));
    IniDocument d = ParseIni(DecodeFileText(bytes));
    (void)d;
    bytes.insert(bytes.begin(), {0xFF, 0xFE});
    bytes.push_back(0x41);  // odd length
    d = ParseIni(DecodeFileText(bytes));
    SUCCEED();
}

TEST(IniFile, SourceReadsWhatTheDocumentFindsForEveryName) {
    // Only ASCII letters match across case; a later section or key of a name
    // already seen is never read; the source keeps reading after it is moved.
    std::wstring text = L"[Sec]\nKey=1\nkey=2\n[SEC]\nOther=3\nKey=4\n[\u00c4]\nx=5\n[\u00e4]\nx=6\n"
                        L"[]\n=lost\nbare\n[ Blank ]\n k = v \n";
    text += L"[nul";
    text += L'\0';
    text += L"]\nk";
    text += L'\0';
    text += L"=7\n";
    const IniDocument doc = ParseIni(text);
    auto first = std::make_unique<IniDocumentSource>(doc);
    IniDocumentSource source = std::move(*first);
    first.reset();

    std::vector<std::wstring> names{L"sec", L"SEC", L"Sec", L"\u00c4", L"\u00e4", L"", L"Blank", L" Blank ", L"nul",
                                    L"NUL", L"x"};
    names.push_back(std::wstring(L"NUL") + L'\0');
    std::vector<std::wstring> keys{L"key", L"KEY", L"Other", L"x", L"X", L"bare", L"", L"k", L"K", L"missing"};
    keys.push_back(std::wstring(L"K") + L'\0');
    for (const auto& s : doc.sections) {
        names.push_back(s.name);
        for (const auto& e : s.entries) keys.push_back(e.key);
    }
    for (const auto& name : names) {
        for (const auto& key : keys) {
            const IniSection* s = doc.Find(name);
            const IniEntry* e = s ? s->Find(key) : nullptr;
            std::wstring text = L"untouched";
            EXPECT_EQ(source.Read(L"any", name, key, text), e != nullptr) << name << L" / " << key;
            EXPECT_EQ(text, e ? e->value : L"untouched") << name << L" / " << key;
        }
    }
    std::wstring value;
    ASSERT_TRUE(source.Read(L"", L"SEC", L"KEY", value));
    EXPECT_EQ(value, L"1");
    EXPECT_FALSE(source.Read(L"", L"SEC", L"Other", value));
    ASSERT_TRUE(source.Read(L"", L"\u00e4", L"X", value));
    EXPECT_EQ(value, L"6");
    ASSERT_TRUE(source.Read(L"", std::wstring(L"NUL") + L'\0', std::wstring(L"K") + L'\0', value));
    EXPECT_EQ(value, L"7");
}
