#include "dialog_tasks.h"

#include "flag_names.h"
#include "text.h"

namespace upd {

namespace {

std::vector<DialogButton> Buttons(const std::vector<int32_t>& ids, const std::vector<std::wstring>& texts) {
    std::vector<DialogButton> out;
    out.reserve(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) out.push_back({ids[i], i < texts.size() ? texts[i] : std::wstring()});
    return out;
}

}  // namespace

MessageBoxSpec BuildMessageBoxSpec(const DialogTaskFields& f) {
    MessageBoxSpec spec;
    spec.style = ParseFlagNames(MessageBoxFlagNames().data(), f.msgType);
    spec.caption = DialogCaption(f.msgTitle, f.defaultTitle);
    spec.text = f.msgText;
    return spec;
}

TaskDialogSpec BuildTaskDialogSpec(const DialogTaskFields& f) {
    TaskDialogSpec s;
    s.flags = ParseFlagNames(TaskDialogFlagNames().data(), f.flags);
    s.commonButtons = ParseFlagNames(CommonButtonNames().data(), f.commonButtons);
    s.windowTitle = DialogCaption(f.msgTitle, f.defaultTitle);
    s.mainInstruction = f.mainInstruction;
    s.content = f.content;
    s.verificationText = f.verificationText;
    s.expandedInformation = f.expandedInformation;
    s.expandedControlText = f.expandedControlText;
    s.collapsedControlText = f.collapsedControlText;
    s.footer = f.footer;
    s.mainIconFile = f.mainIconFile;
    s.footerIconFile = f.footerIconFile;
    if (!f.mainIconName.empty()) TaskDialogIconFromName(f.mainIconName, &s.mainIconResource);
    if (!f.footerIconName.empty()) TaskDialogIconFromName(f.footerIconName, &s.footerIconResource);
    s.buttons = Buttons(f.buttonIds, f.buttonTexts);
    s.radioButtons = Buttons(f.radioIds, f.radioTexts);
    s.defaultButton = f.defaultButton;
    s.defaultRadioButton = f.defaultRadioButton;
    s.width96 = f.width;
    return s;
}

uint32_t RunMessageBoxTask(const DialogTaskFields& fields, bool silent, IDialogHost& host) {
    if (silent) return kSilentDialogAnswer;
    return host.ShowMessageBox(BuildMessageBoxSpec(fields));
}

uint32_t RunTaskDialogTask(const DialogTaskFields& fields, bool silent, IDialogHost& host, const DialogLog& log) {
    if (silent) return kSilentDialogAnswer;
    TaskDialogOutcome outcome = host.ShowTaskDialog(BuildTaskDialogSpec(fields));
    if (outcome.hr < 0) {
        if (log) log(fwu::FormatString(L"  TaskDialogIndirect failed 0x%08X.", static_cast<unsigned>(outcome.hr)));
        return 0xFFFFFFFFu;
    }
    uint32_t result = PackTaskDialogResult(outcome.button, outcome.radioButton, outcome.verificationChecked);
    if (log) log(fwu::FormatString(L"  TaskDialogIndirect Success 0x%08X.", static_cast<unsigned>(result)));
    return result;
}

}  // namespace upd
