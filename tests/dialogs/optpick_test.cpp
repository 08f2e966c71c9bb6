#include <gtest/gtest.h>

#include "cmdline.h"
#include "config.h"
#include "inifile.h"
#include "optpick_core.h"
#include "screen_units.h"

using namespace opk;

namespace {
CParseParam Args(std::vector<std::wstring> a) {
    a.insert(a.begin(), L"C:\\pkg\\Optpick.exe");
    return CParseParam(std::move(a));
}

struct Ini {
    explicit Ini(const std::wstring& text, bool encoded = false) : source(fwu::ParseIni(text)), mgr(source) {
        mgr.SetLoaded(L"x", {true, encoded});
    }
    fwu::IniDocumentSource source;
    fwu::CGlobalIniMgr mgr;
};
}  // namespace

TEST(OptpickOptions, SilentExitValues) {
    const std::pair<const wchar_t*, uint32_t> cases[] = {
        {L"3", 3}, {L"0x10", 16}, {L"0X1f", 31}, {L"010", 8}, {L"0", 0}, {L"3x", 0}, {L"", 0},
        {L"abc", 0}, {L"4294967295", 0xFFFFFFFF}, {L"4294967296", 0}, {L"0xFFFFFFFF", 0xFFFFFFFF},
        {L"08", 0}, {L"0x", 0}, {L" 7", 7}, {L"7 ", 0},
    };
    for (auto [text, value] : cases) EXPECT_EQ(ParseSilentExit(text), value) << std::wstring(text).size();
}

TEST(OptpickOptions, LookupsAndDefaults) {
    Options none = ReadOptions(Args({}));
    EXPECT_FALSE(none.silent);
    EXPECT_FALSE(none.topmost);
    EXPECT_EQ(none.dialogNumber, L"0");
    EXPECT_EQ(none.silentExit, 0u);
    EXPECT_EQ(none.logPath, L"");

    Options all = ReadOptions(Args({L"-S", L"/t", L"/msg:2", L"/ReturnBySilent:0x10", L"/LOG:C:\\o.log"}));
    EXPECT_TRUE(all.silent);
    EXPECT_TRUE(all.topmost);
    EXPECT_EQ(all.dialogNumber, L"2");
    EXPECT_EQ(all.silentExit, 16u);
    EXPECT_EQ(all.logPath, L"C:\\o.log");

    Options empty = ReadOptions(Args({L"/MSG:", L"/silent", L"/top"}));
    EXPECT_EQ(empty.dialogNumber, L"0");  // an empty value reads as missing
    EXPECT_FALSE(empty.silent);
    EXPECT_FALSE(empty.topmost);
    EXPECT_EQ(SectionName(L"2"), L"OptpickSet2");
    EXPECT_EQ(SectionName(L"0"), L"OptpickSet0");
}

TEST(OptpickConfig, ExitCodesAndMessages) {
    EXPECT_TRUE(fwu::JudgeConfig(true, true, kConfigRefusal).proceed);
    fwu::ConfigVerdict missing = fwu::JudgeConfig(false, false, kConfigRefusal);
    EXPECT_EQ(missing.exitCode, 5u);
    EXPECT_STREQ(missing.message, L"Ini file is not found.");
    EXPECT_FALSE(missing.errorIcon);
    EXPECT_STREQ(missing.logLine, L"error - ini file not found.");
    fwu::ConfigVerdict falsified = fwu::JudgeConfig(true, false, kConfigRefusal);
    EXPECT_EQ(falsified.exitCode, 6u);
    EXPECT_STREQ(falsified.message, L"Falsify ini file.");
    EXPECT_TRUE(falsified.errorIcon);
    EXPECT_STREQ(falsified.logLine, L"error - falsify ini file.");
}

TEST(OptpickSettings, SectionValuesAndTextRules) {
    Ini ini(L"[MSG]\nIDS_STR_TITLE=Global title\n"
            L"[OptpickSet0]\nTitle=Confirm\nDesc1=Line one\\nLine two\nDesc2=a\\n\\nb\\\\n\n"
            L"Check0=I have\\nsaved\nCheck1=Power\nOkBtn=Go\nCancelBtn=Stop\nFontSize=12\n"
            L"[OptpickSet2]\nDesc1=only\nFontSize=0x0E\n");
    Settings s = ReadSettings(ini.mgr, SectionName(L"0"));
    EXPECT_EQ(s.title, L"Confirm");
    EXPECT_EQ(s.desc1, L"Line one\nLine two");  // a line feed alone, no CR
    EXPECT_EQ(s.desc2, L"a\n\nb\\\n");
    EXPECT_EQ(s.checks[0], L"I have\\nsaved");  // check-box texts as they stand
    EXPECT_EQ(s.checks[1], L"Power");
    EXPECT_EQ(s.okText, L"Go");
    EXPECT_EQ(s.cancelText, L"Stop");
    EXPECT_EQ(s.fontSize, 12);

    Settings two = ReadSettings(ini.mgr, SectionName(L"2"));
    EXPECT_EQ(two.title, L"Global title");  // empty Title: MSG/IDS_STR_TITLE
    EXPECT_EQ(two.desc1, L"only");
    EXPECT_EQ(two.checks[0], L"");
    EXPECT_EQ(two.checks[1], L"");
    EXPECT_EQ(two.okText, L"");
    EXPECT_EQ(two.cancelText, L"");
    EXPECT_EQ(two.fontSize, 14);
    EXPECT_EQ(ReadCaption(ini.mgr, L"OptpickSet9"), L"Global title");
}

TEST(OptpickSettings, SealedSectionIsDecoded) {
    Ini ini(L"[OptpickSet1]\nTitle=" + fwu::EncodeSealedValue(L"Sealed") + L"\nDesc1=" +
                fwu::EncodeSealedValue(L"x\\ny") + L"\nCheck1=" + fwu::EncodeSealedValue(L"Tick") + L"\n",
            true);
    Settings s = ReadSettings(ini.mgr, L"OptpickSet1");
    EXPECT_EQ(s.title, L"Sealed");
    EXPECT_EQ(s.desc1, L"x\ny");
    EXPECT_EQ(s.checks[0], L"");
    EXPECT_EQ(s.checks[1], L"Tick");
}

TEST(OptpickFont, SizeTextAndHeight) {
    const std::pair<const wchar_t*, int32_t> sizes[] = {
        {L"", 0}, {L"12", 12}, {L"0x10", 16}, {L"12pt", 12}, {L"pt", 0}, {L"-3", -3}, {L"0", 0}};
    for (auto [text, size] : sizes) EXPECT_EQ(ParseFontSize(text), size);
    EXPECT_EQ(fwu::FontHeight(12, 96), -16);
    EXPECT_EQ(fwu::FontHeight(12, 144), -24);
    EXPECT_EQ(fwu::FontHeight(9, 96), -12);
    EXPECT_EQ(fwu::FontHeight(0, 96), 0);
}

TEST(OptpickRules, OkEnabledExactlyWhileEveryShownBoxIsTicked) {
    struct Case {
        CheckState a, b;
        bool ok;
    } cases[] = {
        {{true, false}, {true, false}, false},
        {{true, true}, {true, false}, false},
        {{true, false}, {true, true}, false},
        {{true, true}, {true, true}, true},
        {{false, false}, {true, false}, false},  // only Check1 shown
        {{false, false}, {true, true}, true},
        {{true, true}, {false, false}, true},    // only Check0 shown
        {{false, true}, {true, true}, true},     // a hidden box does not count, ticked or not
        {{false, false}, {false, false}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(OkEnabled({c.a, c.b}), c.ok);
}

TEST(OptpickRules, InitialFocus) {
    struct Case {
        bool shown0, shown1, cancel;
        int control;
        bool enableOk;
    } cases[] = {
        {true, true, true, kIdCheck0, false},
        {true, false, false, kIdCheck0, false},
        {false, true, true, kIdCheck1, false},
        {false, true, false, kIdCheck1, false},
        {false, false, false, kIdOk, true},     // nothing to tick, no Cancel: OK at once
        {false, false, true, kIdCancel, false}, // nothing to tick: Cancel is the way on
    };
    for (const Case& c : cases) {
        InitialFocus f = ChooseInitialFocus({c.shown0, c.shown1}, c.cancel);
        EXPECT_EQ(f.control, c.control);
        EXPECT_EQ(f.enableOk, c.enableOk);
        EXPECT_NE(f.control, kIdMissingFocus);
    }
}

TEST(OptpickRules, Commands) {
    struct Case {
        int id;
        bool cancel, ok;
        CommandAction action;
    } cases[] = {
        {kIdCancel, true, false, CommandAction::Decline},
        {kIdCancel, false, true, CommandAction::Ignore},  // Escape with no Cancel button
        {kIdOk, true, true, CommandAction::Confirm},
        {kIdOk, true, false, CommandAction::Ignore},
        {kIdCheck0, true, false, CommandAction::UpdateOk},
        {kIdCheck1, false, true, CommandAction::UpdateOk},
        {1, true, true, CommandAction::NotHandled},  // IDOK: the Enter key with no default button
        {kIdDesc1, true, true, CommandAction::NotHandled},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyCommand(c.id, c.cancel, c.ok), c.action) << c.id;
}
