#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "../common/recording_log.h"
#include "dialog_tasks.h"
#include "flag_names.h"
#include "screen_units.h"

using namespace upd;

namespace {

// Names and order of a table's rows; each row carries the value of its row
// in the constant table (the values are checked against the SDK headers
// when the Win32 layer compiles).
template <size_t N>
void ExpectTable(const std::vector<FlagNameEntry>& table, const FlagName (&rows)[N],
                 const std::vector<const wchar_t*>& names) {
    ASSERT_EQ(table.size(), names.size() + 1);
    ASSERT_EQ(N, names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(std::wstring(table[i].name), names[i]) << "row " << i;
        EXPECT_EQ(table[i].value, rows[i].value) << "row " << i;
    }
    EXPECT_EQ(table.back().name[0], L'\0');
}

uint32_t Mb(const std::wstring& list) { return ParseFlagNames(MessageBoxFlagNames().data(), list); }

}  // namespace

TEST(FlagNameTables, RowsValuesAndOrder) {
    ExpectTable(MessageBoxFlagNames(), kMessageBoxFlagRows,
                {L"MB_OK", L"MB_OKCANCEL", L"MB_ABORTRETRYIGNORE", L"MB_YESNOCANCEL", L"MB_YESNO",
                 L"MB_RETRYCANCEL", L"MB_CANCELTRYCONTINUE", L"MB_ICONHAND", L"MB_ICONQUESTION",
                 L"MB_ICONEXCLAMATION", L"MB_ICONWARNING", L"MB_ICONERROR", L"MB_ICONINFORMATION",
                 L"MB_HELP", L"MB_ICONASTERISK", L"MB_ICONSTOP", L"MB_DEFBUTTON1", L"MB_DEFBUTTON2",
                 L"MB_DEFBUTTON3", L"MB_DEFBUTTON4", L"MB_APPLMODAL", L"MB_SYSTEMMODAL", L"MB_TASKMODAL",
                 L"MB_DEFAULT_DESKTOP_ONLY", L"MB_RIGHT", L"MB_RTLREADING", L"MB_SETFOREGROUND",
                 L"MB_TOPMOST", L"MB_SERVICE_NOTIFICATION"});
    ExpectTable(TaskDialogFlagNames(), kTaskDialogFlagRows,
                {L"TDF_ENABLE_HYPERLINKS", L"TDF_USE_HICON_MAIN", L"TDF_USE_HICON_FOOTER",
                 L"TDF_ALLOW_DIALOG_CANCELLATION", L"TDF_USE_COMMAND_LINKS",
                 L"TDF_USE_COMMAND_LINKS_NO_ICON", L"TDF_EXPAND_FOOTER_AREA", L"TDF_EXPANDED_BY_DEFAULT",
                 L"TDF_VERIFICATION_FLAG_CHECKED", L"TDF_SHOW_PROGRESS_BAR",
                 L"TDF_SHOW_MARQUEE_PROGRESS_BAR", L"TDF_CALLBACK_TIMER",
                 L"TDF_POSITION_RELATIVE_TO_WINDOW", L"TDF_RTL_LAYOUT", L"TDF_NO_DEFAULT_RADIO_BUTTON",
                 L"TDF_CAN_BE_MINIMIZED", L"TDF_SIZE_TO_CONTENT"});
    ExpectTable(CommonButtonNames(), kCommonButtonRows,
                {L"TDCBF_OK_BUTTON", L"TDCBF_YES_BUTTON", L"TDCBF_NO_BUTTON", L"TDCBF_CANCEL_BUTTON",
                 L"TDCBF_RETRY_BUTTON", L"TDCBF_CLOSE_BUTTON"});
}

TEST(ParseFlagNames, CaseBlanksAndEmptyNames) {
    EXPECT_EQ(Mb(L"mb_yesno, mb_iconquestion"), 0x24u);
    EXPECT_EQ(Mb(L"MB_YESNO,,MB_ICONQUESTION"), 0x24u);
    EXPECT_EQ(Mb(L"MB_YESNO,MB_ICONQUESTION,"), 0x24u);
    EXPECT_EQ(Mb(L",MB_YESNO"), 0x4u);
    EXPECT_EQ(Mb(L"MB_YES NO"), 0x4u);  // blanks inside a name are dropped
    EXPECT_EQ(Mb(L"  M B _ O K C A N C E L  "), 0x1u);
    EXPECT_EQ(Mb(L"MB_ICONERROR,MB_ICONSTOP"), 0x10u);  // equal values OR into one
    EXPECT_EQ(Mb(L""), 0u);
    EXPECT_EQ(Mb(L",,, ,"), 0u);
}

TEST(ParseFlagNames, OnlyWholeNamesMatch) {
    EXPECT_EQ(Mb(L"MB_YES"), 0u);          // a prefix of MB_YESNO
    EXPECT_EQ(Mb(L"MB_YESNOX"), 0u);       // longer than the name
    EXPECT_EQ(Mb(L"MB_YESNO;MB_HELP"), 0u);  // only the comma separates
    EXPECT_EQ(Mb(L"MB_TOPMOST,unknown,MB_RIGHT"), 0xC0000u);
    EXPECT_EQ(Mb(L"MB_YESNO\tMB_HELP"), 0u);  // a tab is not a blank
    EXPECT_EQ(ParseFlagNames(TaskDialogFlagNames().data(), L"tdf_enable_hyperlinks,TDF_SIZE_TO_CONTENT"),
              0x1000001u);
    EXPECT_EQ(ParseFlagNames(CommonButtonNames().data(), L"TDCBF_OK_BUTTON, tdcbf_close_button"), 0x21u);
    // Names of one table mean nothing to another.
    EXPECT_EQ(ParseFlagNames(CommonButtonNames().data(), L"MB_YESNO"), 0u);
    EXPECT_EQ(ParseFlagNames(nullptr, L"MB_YESNO"), 0u);
}

TEST(ParseFlagNames, StopsAtTheEmptyRowAndAfterAHundredRows) {
    std::vector<FlagNameEntry> table(3, FlagNameEntry{0, {}});
    table[0] = FlagNameEntry{0x1, {L'A'}};
    table[2] = FlagNameEntry{0x4, {L'C'}};  // behind the empty row: not part of the table
    EXPECT_EQ(ParseFlagNames(table.data(), L"A,C"), 0x1u);

    std::vector<FlagNameEntry> big(101, FlagNameEntry{0, {}});
    for (auto& row : big) row = FlagNameEntry{0x2, {L'X'}};
    big[99].value = 0x8;
    big[100] = FlagNameEntry{0x10, {L'Y'}};  // row 101 is never looked at
    EXPECT_EQ(ParseFlagNames(big.data(), L"X"), 0xAu);
    EXPECT_EQ(ParseFlagNames(big.data(), L"Y"), 0u);
}

TEST(ParseFlagNames, ARowNameRunsToItsNulOrToItsFullWidth) {
    // A name that fills all 260 units has no ending NUL: it is 260 units long.
    std::vector<FlagNameEntry> table(3, FlagNameEntry{0, {}});
    table[0].value = 0x1;
    std::wmemset(table[0].name, L'A', 260);
    table[1] = FlagNameEntry{0x2, {L'A', L'B'}};
    EXPECT_EQ(ParseFlagNames(table.data(), std::wstring(260, L'A')), 0x1u);
    EXPECT_EQ(ParseFlagNames(table.data(), std::wstring(259, L'A')), 0u);
    EXPECT_EQ(ParseFlagNames(table.data(), std::wstring(261, L'A')), 0u);
    EXPECT_EQ(ParseFlagNames(table.data(), L"AB"), 0x2u);
    EXPECT_EQ(ParseFlagNames(table.data(), L"A,ABC"), 0u);
    EXPECT_EQ(ParseFlagNames(table.data(), std::wstring(L"AB") + L'\0'), 0u);
    EXPECT_EQ(ParseFlagNames(table.data(), std::wstring(L"A") + L'\0' + L"B"), 0u);
}

TEST(TaskDialogIcons, NamesAnyCaseExactlyOnly) {
    uint16_t value = 0;
    EXPECT_TRUE(TaskDialogIconFromName(L"td_shield_icon", &value));
    EXPECT_EQ(value, 0xFFFCu);
    EXPECT_TRUE(TaskDialogIconFromName(L"TD_ERROR_ICON", &value));
    EXPECT_EQ(value, 0xFFFEu);
    EXPECT_TRUE(TaskDialogIconFromName(L"TD_Warning_Icon", &value));
    EXPECT_EQ(value, 0xFFFFu);
    EXPECT_TRUE(TaskDialogIconFromName(L"TD_INFORMATION_ICON", &value));
    EXPECT_EQ(value, 0xFFFDu);
    value = 7;
    EXPECT_FALSE(TaskDialogIconFromName(L"TD_SHIELD", &value));
    EXPECT_FALSE(TaskDialogIconFromName(L" TD_SHIELD_ICON", &value));
    EXPECT_EQ(value, 7u);
}

TEST(DialogRules, WidthOutsideTheWorkAreaLetsTheDialogChoose) {
    // 1280 pixels of work area in units of an average character of 6 pixels.
    const int32_t work = DialogUnitsFromPixels(1280, 6);
    EXPECT_EQ(work, 853);
    EXPECT_EQ(TaskDialogWidth(300, 96, work), 300);
    EXPECT_EQ(TaskDialogWidth(300, 144, work), 450);
    EXPECT_EQ(TaskDialogWidth(853, 96, work), 853);  // exactly the work area
    EXPECT_EQ(TaskDialogWidth(854, 96, work), 0);
    EXPECT_EQ(TaskDialogWidth(600, 144, work), 0);   // 900 after scaling
    EXPECT_EQ(TaskDialogWidth(0, 96, work), 0);
    EXPECT_EQ(TaskDialogWidth(-100, 96, work), 0);
    EXPECT_EQ(TaskDialogWidth(-1, 96, work), 0);
    EXPECT_EQ(TaskDialogWidth(INT32_MIN, 96, work), 0);
    EXPECT_EQ(TaskDialogWidth(INT32_MAX, 96, work), 0);
    EXPECT_EQ(TaskDialogWidth(INT32_MAX, 144, work), 0);  // scaling overflows
    EXPECT_EQ(TaskDialogWidth(300, 96, 0), 0);           // work area unknown
    EXPECT_EQ(DialogUnitsFromPixels(1280, 0), 0);
    EXPECT_EQ(DialogUnitsFromPixels(-5, 6), 0);
}

TEST(DialogRules, WidthScalingAndResultPacking) {
    EXPECT_EQ(ScaleDialogWidth(300, 144), 450);
    EXPECT_EQ(ScaleDialogWidth(300, 96), 300);
    EXPECT_EQ(ScaleDialogWidth(0, 144), 0);
    EXPECT_EQ(ScaleDialogWidth(1, 120), 1);  // 1.25 rounds down
    EXPECT_EQ(ScaleDialogWidth(2, 120), 3);  // 2.5 rounds away from zero
    EXPECT_EQ(ScaleDialogWidth(-2, 120), -3);
    EXPECT_EQ(fwu::MulDiv(5, 3, 0), -1);
    EXPECT_EQ(fwu::MulDiv(INT32_MAX, 4, 1), -1);
    EXPECT_EQ(fwu::MulDiv(7, 3, -2), -11);

    EXPECT_EQ(PackTaskDialogResult(101, 201, true), 0x80C90065u);
    EXPECT_EQ(PackTaskDialogResult(101, 201, false), 0x00C90065u);
    EXPECT_EQ(PackTaskDialogResult(6, 0, false), 6u);
    EXPECT_EQ(PackTaskDialogResult(2, 0, true), 0x80000002u);
}

namespace {

class FakeHost : public IDialogHost {
public:
    uint32_t ShowMessageBox(const MessageBoxRequest& request) override {
        ++boxes;
        box = request;
        return boxAnswer;
    }
    TaskDialogOutcome ShowTaskDialog(const TaskDialogRequest& request) override {
        ++dialogs;
        dialog = request;
        return outcome;
    }
    int boxes = 0, dialogs = 0;
    uint32_t boxAnswer = 7;
    MessageBoxRequest box;
    TaskDialogRequest dialog;
    TaskDialogOutcome outcome;
};

}  // namespace

TEST(DialogTasks, SilentModeAnswersYesShowsAndLogsNothing) {
    FakeHost host;
    fwu::test::RecordingLog log;
    TaskRecord f;
    f.MsgType = L"MB_YESNO";
    f.Silent = true;
    EXPECT_EQ(RunMessageBoxTask(f, host), 6u);
    EXPECT_EQ(RunTaskDialogTask(f, host, log), 6u);
    EXPECT_EQ(host.boxes + host.dialogs, 0);
    EXPECT_TRUE(log.lines.empty());
}

TEST(DialogTasks, MessageBoxStyleCaptionAndAnswer) {
    FakeHost host;
    TaskRecord f;
    f.MsgType = L"MB_YESNO, MB_ICONQUESTION";
    f.MsgText = L"Line one\r\nLine two";
    f.DefaultTitle = L"Default";
    EXPECT_EQ(RunMessageBoxTask(f, host), 7u);
    EXPECT_EQ(host.box.style, 0x24u);
    EXPECT_EQ(host.box.caption, L"Default");
    EXPECT_EQ(host.box.text, L"Line one\r\nLine two");
    f.MsgTitle = L"Own";
    host.boxAnswer = 0;  // the box could not be shown
    EXPECT_EQ(RunMessageBoxTask(f, host), 0u);
    EXPECT_EQ(host.box.caption, L"Own");
}

TEST(DialogTasks, TaskDialogRequestFromKeys) {
    TaskRecord f;
    f.DefaultTitle = L"Title";
    f.TD_Flags = L"TDF_ENABLE_HYPERLINKS,TDF_USE_HICON_FOOTER";
    f.TD_CommonButtons = L"TDCBF_CANCEL_BUTTON";
    f.TD_hMainIcon = L"C:\\pkg\\main.ico";
    f.TD_pszMainIcon = L"td_shield_icon";
    f.TD_hFooterIcon = L"C:\\pkg\\foot.ico";
    f.TD_pszFooterIcon = L"TD_SHIELD";  // not a name: the file's icon stays
    f.ButtonIds = {101, 102};
    f.ButtonTexts = {L"Flash", L"Later"};
    f.RadioIds = {201};
    f.RadioTexts = {L"Keep settings"};
    f.TD_DefaultButton = 102;
    f.TD_DefaultRadioButton = 201;
    f.TD_Width = 300;
    f.TD_Content = L"See <a href=\"https://example.invalid\">notes</a>";
    TaskDialogRequest s = BuildTaskDialogRequest(f);
    EXPECT_EQ(s.windowTitle, L"Title");
    EXPECT_EQ(s.flags, 0x5u);
    EXPECT_EQ(s.commonButtons, 0x8u);
    EXPECT_EQ(s.mainIconResource, 0xFFFCu);
    EXPECT_EQ(s.mainIconFile, L"C:\\pkg\\main.ico");
    EXPECT_EQ(s.footerIconResource, 0u);
    EXPECT_EQ(s.footerIconFile, L"C:\\pkg\\foot.ico");
    ASSERT_EQ(s.buttons.size(), 2u);
    EXPECT_EQ(s.buttons[1].id, 102);
    EXPECT_EQ(s.buttons[1].text, L"Later");
    ASSERT_EQ(s.radioButtons.size(), 1u);
    EXPECT_EQ(s.radioButtons[0].text, L"Keep settings");
    EXPECT_EQ(s.defaultButton, 102);
    EXPECT_EQ(s.defaultRadioButton, 201);
    EXPECT_EQ(s.width96, 300);
    EXPECT_EQ(s.content, f.TD_Content);
}

TEST(DialogTasks, TaskDialogResultAndLogLines) {
    FakeHost host;
    fwu::test::RecordingLog log;
    TaskRecord f;
    host.outcome = TaskDialogOutcome{0, 101, 201, true};
    EXPECT_EQ(RunTaskDialogTask(f, host, log), 0x80C90065u);
    host.outcome = TaskDialogOutcome{static_cast<int32_t>(0x80070057), 0, 0, false};
    EXPECT_EQ(RunTaskDialogTask(f, host, log), 0xFFFFFFFFu);
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{L"  TaskDialogIndirect Success 0x80C90065.",
                                                    L"  TaskDialogIndirect failed 0x80070057."}));
}
