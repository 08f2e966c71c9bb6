#include <gtest/gtest.h>

#include "config.h"
#include "iniseal_core.h"
#include "inifile.h"
#include "text.h"

using namespace fwu;

namespace {
std::vector<uint8_t> Utf16File(const std::wstring& text) {
    std::vector<uint8_t> b{0xFF, 0xFE};
    for (char16_t u : ToUtf16(text)) {
        b.push_back(uint8_t(u & 0xFF));
        b.push_back(uint8_t(u >> 8));
    }
    return b;
}

const std::wstring kPlain =
    L"[CONFIG]\r\nREQSYS=ON\r\n[MSG]\r\nIDS_STR_TITLE=Mise \u00e0 jour \u65e5\u672c\r\n"
    L"IDS_STR_NOTADMIN=Line one\\nLine two\r\n[TASK_1]\r\nType=0\r\nPath=%UPDATEDIR%\\fw tool.exe\r\n"
    L"Param=/a \"b c\"\r\nEmpty=\r\n[S\u00e9ction]\r\nCl\u00e9=" + std::wstring(3000, L'v') + L"\r\n";
}  // namespace

TEST(IniSeal, RoundTripKeepsEverySectionKeyAndValue) {
    SealOutcome sealed = SealIni(Utf16File(kPlain));
    ASSERT_EQ(sealed.exitCode, 0) << ToUtf8(sealed.message);
    IntegrityResult r = CheckIntegrity(sealed.bytes.data(), sealed.bytes.size());
    EXPECT_TRUE(r.valid);
    EXPECT_TRUE(r.encoded);

    // The reader sees the plain values through the encoding.
    IniDocumentSource src(ParseIni(DecodeFileText(sealed.bytes)));
    CGlobalIniMgr mgr(src);
    mgr.SetLoaded(L"x", r);
    EXPECT_EQ(mgr.GetString(L"MSG", L"IDS_STR_TITLE", L""), L"Mise \u00e0 jour \u65e5\u672c");
    EXPECT_EQ(mgr.GetString(L"TASK_1", L"Param", L""), L"/a \"b c\"");
    EXPECT_EQ(mgr.GetString(L"TASK_1", L"Empty", L"default"), L"");
    EXPECT_EQ(mgr.GetInt(L"TASK_1", L"Type", 9), 0);
    EXPECT_EQ(mgr.GetString(L"S\u00e9ction", L"Cl\u00e9", L"").size(), 3000u);

    SealOutcome opened = OpenIni(sealed.bytes);
    ASSERT_EQ(opened.exitCode, 0);
    IniDocument before = ParseIni(kPlain), after = ParseIni(DecodeFileText(opened.bytes));
    ASSERT_EQ(before.sections.size(), after.sections.size());
    for (size_t i = 0; i < before.sections.size(); ++i) {
        EXPECT_EQ(before.sections[i].name, after.sections[i].name);
        ASSERT_EQ(before.sections[i].entries.size(), after.sections[i].entries.size());
        for (size_t k = 0; k < before.sections[i].entries.size(); ++k) {
            EXPECT_EQ(before.sections[i].entries[k].key, after.sections[i].entries[k].key);
            EXPECT_EQ(before.sections[i].entries[k].value, after.sections[i].entries[k].value);
        }
    }
}

TEST(IniSeal, SealsWhatUpdateReadsOfAHeaderWithoutItsBracket) {
    // Update reads no TASK_2 here and finds Data in TASK_1: the sealed file
    // must read the same, and sealing says why.
    SealOutcome sealed = SealIni(Utf16File(L"[TASK_1]\r\nType=9\r\n[TASK_2\r\nData=7\r\n"));
    ASSERT_EQ(sealed.exitCode, 0) << ToUtf8(sealed.message);
    EXPECT_NE(sealed.message.find(L"line 3: '[TASK_2' lacks its closing bracket"), std::wstring::npos)
        << ToUtf8(sealed.message);
    IniDocumentSource src(ParseIni(DecodeFileText(sealed.bytes)));
    CGlobalIniMgr mgr(src);
    mgr.SetLoaded(L"x", CheckIntegrity(sealed.bytes.data(), sealed.bytes.size()));
    EXPECT_EQ(mgr.GetString(L"TASK_2", L"Data", L"absent"), L"absent");
    EXPECT_EQ(mgr.GetString(L"TASK_1", L"Data", L"absent"), L"7");
}

TEST(IniSeal, OpenKeepsValuesThatNeedTheirQuotes) {
    // Quotes in the plain file keep blanks at the ends of a value, or quotes
    // around it; the opened file must keep them too, or sealing it again
    // would change what Update reads.
    const std::wstring plain =
        L"[TASK_1]\r\nParam=\" /s \"\r\nTitle='\"x\"'\r\nTab=\"\tx\"\r\nOne=\"'\"\r\nPlain=a \"b\"\r\n";
    SealOutcome sealed = SealIni(Utf16File(plain));
    ASSERT_EQ(sealed.exitCode, 0);
    SealOutcome opened = OpenIni(sealed.bytes);
    ASSERT_EQ(opened.exitCode, 0);
    SealOutcome resealed = SealIni(opened.bytes);
    ASSERT_EQ(resealed.exitCode, 0);
    EXPECT_EQ(resealed.bytes, sealed.bytes);
    IniDocument after = ParseIni(DecodeFileText(opened.bytes));
    const IniSection* task = after.Find(L"TASK_1");
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->Find(L"Param")->value, L" /s ");
    EXPECT_EQ(task->Find(L"Title")->value, L"\"x\"");
    EXPECT_EQ(task->Find(L"Tab")->value, L"\tx");
    EXPECT_EQ(task->Find(L"One")->value, L"'");
    EXPECT_EQ(task->Find(L"Plain")->value, L"a \"b\"");
}

TEST(IniSeal, VerifyTellsPlainSealedAndFalsified) {
    EXPECT_EQ(VerifyIni(Utf16File(kPlain)).exitCode, 0);
    SealOutcome sealed = SealIni(Utf16File(kPlain));
    EXPECT_EQ(VerifyIni(sealed.bytes).exitCode, 0);
    auto bad = sealed.bytes;
    bad[bad.size() / 3] ^= 0x04;
    EXPECT_EQ(VerifyIni(bad).exitCode, 3);
    EXPECT_EQ(OpenIni(bad).exitCode, 3);
    EXPECT_EQ(VerifyIni({1, 2, 3}).exitCode, 3);
    EXPECT_EQ(SealIni(sealed.bytes).exitCode, 5);
    EXPECT_EQ(OpenIni(Utf16File(kPlain)).exitCode, 5);
}

TEST(IniSeal, SealedFileWithForeignValueIsReported) {
    // Valid trailer over a value that is not a sealed value.
    std::vector<uint8_t> bytes = Utf16File(L"[A]\r\nk=plain text\r\n");
    AppendTrailer(bytes);
    SealOutcome v = VerifyIni(bytes);
    EXPECT_EQ(v.exitCode, 4);
    EXPECT_NE(v.message.find(L"line 2"), std::wstring::npos);
}

TEST(IniSeal, TooShortAndChecksumMismatchAreToldApart) {
    // Both fail the check the way Update fails them (exit code 3), each with
    // its own reason; a plain file is not a failure of verify.
    SealOutcome sealed = SealIni(Utf16File(kPlain));
    auto bad = sealed.bytes;
    bad[bad.size() / 3] ^= 0x04;
    const std::vector<uint8_t> shortFile{'[', 'A', ']'};
    for (auto check : {&VerifyIni, &OpenIni}) {
        SealOutcome mismatch = check(bad), tooShort = check(shortFile);
        EXPECT_EQ(mismatch.exitCode, 3);
        EXPECT_EQ(tooShort.exitCode, 3);
        EXPECT_EQ(mismatch.message.rfind(L"checksum mismatch: ", 0), 0u) << ToUtf8(mismatch.message);
        EXPECT_EQ(tooShort.message.rfind(L"not a sealed file: shorter than the 8-byte trailer", 0), 0u)
            << ToUtf8(tooShort.message);
    }
    SealOutcome plain = OpenIni(Utf16File(kPlain));
    EXPECT_EQ(plain.exitCode, 5);
    EXPECT_EQ(plain.message.rfind(L"not a sealed file: it has no CRC-32 trailer", 0), 0u) << ToUtf8(plain.message);
    EXPECT_EQ(SealIni(bad).message.rfind(L"checksum mismatch: ", 0), 0u);
}

TEST(IniSeal, SealingDropsComments) {
    // The commented plain list stays with the packager: neither the sealed
    // file nor its opened form holds a comment.
    const std::wstring commented = L"; the update of the dock\r\n[TASK_1]\r\n; a step\r\nType=11\r\nData=0\r\n";
    SealOutcome sealed = SealIni(Utf16File(commented));
    ASSERT_EQ(sealed.exitCode, 0);
    SealOutcome opened = OpenIni(sealed.bytes);
    ASSERT_EQ(opened.exitCode, 0);
    std::wstring text = DecodeFileText(opened.bytes);
    EXPECT_EQ(text.find(L";"), std::wstring::npos) << ToUtf8(text);
    EXPECT_NE(text.find(L"Data=0"), std::wstring::npos);
}

TEST(IniSeal, UsageListsTheExitCodesAndVersionIsTheProjectVersion) {
    std::wstring out;
    EXPECT_EQ(IniSealMain({L"IniSeal"}, out), 1);
    for (const wchar_t* code : {L" 0 done", L" 1 usage", L" 2 a file cannot", L" 3 the file fails", L" 4 a sealed",
                                L" 5 seal of"})
        EXPECT_NE(out.find(code), std::wstring::npos) << ToUtf8(code);
    EXPECT_EQ(IniSealMain({L"IniSeal", L"--version"}, out), 0);
    EXPECT_EQ(ToUtf8(out), std::string("IniSeal ") + FWU_PROJECT_VERSION);
}

TEST(IniSeal, CommandLine) {
    std::wstring out;
    EXPECT_EQ(IniSealMain({L"IniSeal"}, out), 1);
    EXPECT_EQ(IniSealMain({L"IniSeal", L"seal", L"only-in"}, out), 1);
    EXPECT_EQ(IniSealMain({L"IniSeal", L"frobnicate", L"a", L"b"}, out), 1);
    EXPECT_EQ(IniSealMain({L"IniSeal", L"verify", L"/nonexistent/config.ini"}, out), 2);
}
