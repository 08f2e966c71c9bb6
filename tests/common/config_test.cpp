#include <gtest/gtest.h>

#include <map>

#include "base64.h"
#include "config.h"
#include "inifile.h"

using namespace fwu;

namespace {
std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::wstring EncodeUnits(const std::u16string& units) {
    std::vector<uint8_t> b;
    for (char16_t u : units) {
        b.push_back(uint8_t(u & 0xFF));
        b.push_back(uint8_t(u >> 8));
    }
    return Base64Encode(b.data(), b.size());
}

IniDocument Doc(const std::wstring& text) { return ParseIni(text); }
}  // namespace

TEST(Integrity, TrailerDecidesValidAndEncoded) {
    auto body = Bytes("[A]\r\nk=v\r\n");
    auto sealed = body;
    AppendTrailer(sealed);
    auto r = CheckIntegrity(sealed.data(), sealed.size());
    EXPECT_TRUE(r.valid);
    EXPECT_TRUE(r.encoded);
    for (size_t i = 0; i < body.size(); ++i) {
        auto bad = sealed;
        bad[i] ^= 0x01;
        auto rb = CheckIntegrity(bad.data(), bad.size());
        EXPECT_FALSE(rb.valid) << "byte " << i;
        EXPECT_FALSE(rb.encoded);
    }
    auto plain = CheckIntegrity(body.data(), body.size());
    EXPECT_TRUE(plain.valid);
    EXPECT_FALSE(plain.encoded);
}

TEST(Integrity, EdgeSizes) {
    std::vector<uint8_t> empty;
    AppendTrailer(empty);  // CRC of no bytes is 0
    ASSERT_EQ(empty.size(), 8u);
    EXPECT_EQ(empty[0] | empty[1] | empty[2] | empty[3], 0);
    EXPECT_TRUE(CheckIntegrity(empty.data(), empty.size()).encoded);
    auto tiny = Bytes("abc");
    EXPECT_FALSE(CheckIntegrity(tiny.data(), tiny.size()).valid);
    auto noMarker = Bytes("[A]\r\nk=v\r\n\x01\x02\x03\x04\x78\x56\x34\x13");
    auto r = CheckIntegrity(noMarker.data(), noMarker.size());
    EXPECT_TRUE(r.valid);
    EXPECT_FALSE(r.encoded);
}

TEST(SealedValue, DropsEightLeadingUnits) {
    std::wstring v;
    ASSERT_TRUE(DecodeSealedValue(EncodeUnits(u"abcdefgh1234"), v));
    EXPECT_EQ(v, L"1234");
    ASSERT_TRUE(DecodeSealedValue(EncodeUnits(u"abcdefgh"), v));
    EXPECT_EQ(v, L"");
    EXPECT_FALSE(DecodeSealedValue(EncodeUnits(u"short"), v));
    EXPECT_FALSE(DecodeSealedValue(L"not base64!", v));
    EXPECT_FALSE(DecodeSealedValue(L"", v));
    // A NUL code unit ends the text.
    ASSERT_TRUE(DecodeSealedValue(EncodeUnits(std::u16string(u"abcdefghAB") + u'\0' + u"CD"), v));
    EXPECT_EQ(v, L"AB");
}

TEST(SealedValue, RoundTripsNonAsciiAndLongValues) {
    for (std::wstring s : {std::wstring(L"C:\\Program Files\\x.exe"), std::wstring(L"\u65e5\u672c\u8a9e \u00e9"),
                           std::wstring(5000, L'x'), std::wstring()}) {
        std::wstring back;
        ASSERT_TRUE(DecodeSealedValue(EncodeSealedValue(s), back));
        EXPECT_EQ(back, s);
    }
}

TEST(CGlobalIniMgr, PlainAndEncodedReads) {
    IniDocumentSource plain(Doc(L"[CONFIG]\nREQSYS=on\nNum=0x1F\nText=3a\n"));
    CGlobalIniMgr mgr(plain);
    mgr.SetLoaded(L"x", {true, false});
    EXPECT_EQ(mgr.GetString(L"CONFIG", L"REQSYS", L"OFF"), L"on");
    EXPECT_EQ(mgr.GetString(L"config", L"reqsys", L"OFF"), L"on");
    EXPECT_EQ(mgr.GetString(L"CONFIG", L"Missing", L"OFF"), L"OFF");
    EXPECT_EQ(mgr.GetInt(L"CONFIG", L"Num", 5), 31);
    EXPECT_EQ(mgr.GetInt(L"CONFIG", L"Text", 5), 3);
    EXPECT_EQ(mgr.GetInt(L"CONFIG", L"Missing", 5), 5);

    std::wstring sealed = L"[T]\nNum=" + EncodeSealedValue(L"1234") + L"\nHex=" + EncodeSealedValue(L"0x1F") +
                          L"\nBad=%%%\nEmpty=" + EncodeSealedValue(L"") + L"\nPlainText=hello\n";
    IniDocumentSource enc(Doc(sealed));
    CGlobalIniMgr m2(enc);
    m2.SetLoaded(L"x", {true, true});
    EXPECT_EQ(m2.GetString(L"T", L"Num", L"d"), L"1234");
    EXPECT_EQ(m2.GetInt(L"T", L"Num", 0), 1234);
    EXPECT_EQ(m2.GetInt(L"T", L"Hex", 0), 31);
    EXPECT_EQ(m2.GetString(L"T", L"Bad", L"d"), L"d");
    EXPECT_EQ(m2.GetString(L"T", L"Empty", L"d"), L"");
    EXPECT_EQ(m2.GetInt(L"T", L"Empty", 9), 9);
    EXPECT_EQ(m2.GetString(L"T", L"Missing", L"d"), L"d");
    EXPECT_EQ(m2.GetString(L"T", L"PlainText", L"d"), L"d");
}

namespace {
// Stands in for GetFileMUIPath: a list of preferred copies and the copies
// present per language.
class FakeProbe : public IConfigFileProbe {
public:
    std::vector<std::wstring> preferred;
    std::map<std::wstring, std::wstring> languages;
    bool neutral = false;
    std::vector<std::wstring> asked;
    bool EnumPreferred(const std::wstring&, uint64_t& cursor, std::wstring& found) override {
        if (cursor >= preferred.size()) return false;
        found = preferred[cursor++];
        return true;
    }
    bool FindLanguage(const std::wstring&, const std::wstring& language, std::wstring& found) override {
        asked.push_back(language);
        auto it = languages.find(language);
        if (it == languages.end()) return false;
        found = it->second;
        return true;
    }
    bool Exists(const std::wstring&) override { return neutral; }
    void Load(CGlobalIniMgr& mgr, const std::wstring& path) override { mgr.SetLoaded(path, {true, false}); }
};
}  // namespace

TEST(LocateConfig, OrderOfPreference) {
    const std::wstring neutral = NeutralConfigPath(L"C:\\pkg", ConfigLayout::UpdateFolder);
    EXPECT_EQ(neutral, L"C:\\pkg\\config\\config.ini");
    EXPECT_EQ(NeutralConfigPath(L"C:\\pkg", ConfigLayout::ToolFolder), L"C:\\pkg\\config.ini");

    FakeProbe japanese;
    japanese.preferred = {L"C:\\pkg\\config\\ja-JP\\config.ini"};
    japanese.languages[L"ja-JP"] = L"C:\\pkg\\config\\ja-JP\\config.ini";
    japanese.neutral = true;
    auto list = CollectConfigCandidates(neutral, japanese);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), L"C:\\pkg\\config\\ja-JP\\config.ini");
    EXPECT_EQ(list.back(), neutral);

    FakeProbe english;
    english.languages[L"en-US"] = L"C:\\pkg\\config\\en-US\\config.ini";
    english.languages[L"ja-JP"] = L"C:\\pkg\\config\\ja-JP\\config.ini";
    list = CollectConfigCandidates(neutral, english);
    ASSERT_EQ(list.size(), 1u);  // ja-JP only when en-US is missing
    EXPECT_EQ(list.front(), L"C:\\pkg\\config\\en-US\\config.ini");
    EXPECT_EQ(english.asked, std::vector<std::wstring>{L"en-US"});

    FakeProbe onlyNeutral;
    onlyNeutral.neutral = true;
    list = CollectConfigCandidates(neutral, onlyNeutral);
    EXPECT_EQ(list, std::vector<std::wstring>{neutral});

    FakeProbe nothing;
    IniDocumentSource src(IniDocument{});
    CGlobalIniMgr mgr(src);
    EXPECT_EQ(LocateConfigFile(mgr, L"C:\\pkg", ConfigLayout::UpdateFolder, nothing), 0);
    EXPECT_TRUE(mgr.m_strPath.empty());
    EXPECT_EQ(mgr.m_bValid, 0);
}

TEST(ConfigJudgement, EachProgramsCodesAndTheNotFoundIcon) {
    const fwu::ConfigRefusal plain{11, 12, false};
    const fwu::ConfigRefusal iconic{21, 22, true};
    for (const fwu::ConfigRefusal& program : {plain, iconic}) {
        const fwu::ConfigVerdict ok = fwu::JudgeConfig(true, true, program);
        EXPECT_TRUE(ok.proceed);
        EXPECT_EQ(ok.exitCode, 0u);
        EXPECT_EQ(ok.message, nullptr);
        EXPECT_EQ(ok.logLine, nullptr);

        for (bool valid : {false, true}) {
            const fwu::ConfigVerdict missing = fwu::JudgeConfig(false, valid, program);
            EXPECT_FALSE(missing.proceed);
            EXPECT_EQ(missing.exitCode, program.notFoundExit);
            EXPECT_STREQ(missing.message, L"Ini file is not found.");
            EXPECT_EQ(missing.errorIcon, program.notFoundErrorIcon);
            EXPECT_STREQ(missing.logLine, L"error - ini file not found.");
        }

        const fwu::ConfigVerdict falsified = fwu::JudgeConfig(true, false, program);
        EXPECT_FALSE(falsified.proceed);
        EXPECT_EQ(falsified.exitCode, program.falsifiedExit);
        EXPECT_STREQ(falsified.message, L"Falsify ini file.");
        EXPECT_TRUE(falsified.errorIcon);
        EXPECT_STREQ(falsified.logLine, L"error - falsify ini file.");
    }
}
