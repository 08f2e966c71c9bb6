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

MessageBoxRequest BuildMessageBoxRequest(const TaskRecord& t) {
    MessageBoxRequest request;
    request.style = ParseFlagNames(MessageBoxFlagNames().data(), t.MsgType);
    request.caption = DialogCaption(t.MsgTitle, t.DefaultTitle);
    request.text = t.MsgText;
    return request;
}

TaskDialogRequest BuildTaskDialogRequest(const TaskRecord& t) {
    TaskDialogRequest s;
    s.flags = ParseFlagNames(TaskDialogFlagNames().data(), t.TD_Flags);
    s.commonButtons = ParseFlagNames(CommonButtonNames().data(), t.TD_CommonButtons);
    s.windowTitle = DialogCaption(t.MsgTitle, t.DefaultTitle);
    s.mainInstruction = t.TD_MainInstruction;
    s.content = t.TD_Content;
    s.verificationText = t.TD_VerificationText;
    s.expandedInformation = t.TD_ExpandedInformation;
    s.expandedControlText = t.TD_ExpandedControlText;
    s.collapsedControlText = t.TD_CollapsedControlText;
    s.footer = t.TD_Footer;
    s.mainIconFile = t.TD_hMainIcon;
    s.footerIconFile = t.TD_hFooterIcon;
    if (!t.TD_pszMainIcon.empty()) TaskDialogIconFromName(t.TD_pszMainIcon, &s.mainIconResource);
    if (!t.TD_pszFooterIcon.empty()) TaskDialogIconFromName(t.TD_pszFooterIcon, &s.footerIconResource);
    s.buttons = Buttons(t.ButtonIds, t.ButtonTexts);
    s.radioButtons = Buttons(t.RadioIds, t.RadioTexts);
    s.defaultButton = t.TD_DefaultButton;
    s.defaultRadioButton = t.TD_DefaultRadioButton;
    s.width96 = t.TD_Width;
    return s;
}

uint32_t RunMessageBoxTask(const TaskRecord& task, IDialogHost& host) {
    if (task.Silent) return kSilentDialogAnswer;
    return host.ShowMessageBox(BuildMessageBoxRequest(task));
}

uint32_t RunTaskDialogTask(const TaskRecord& task, IDialogHost& host, fwu::ILog& log) {
    if (task.Silent) return kSilentDialogAnswer;
    TaskDialogOutcome outcome = host.ShowTaskDialog(BuildTaskDialogRequest(task));
    if (outcome.hr < 0) {
        fwu::LogLine(log, L"  TaskDialogIndirect failed 0x%08X.", static_cast<unsigned>(outcome.hr));
        return 0xFFFFFFFFu;
    }
    uint32_t result = PackTaskDialogResult(outcome.button, outcome.radioButton, outcome.verificationChecked);
    fwu::LogLine(log, L"  TaskDialogIndirect Success 0x%08X.", static_cast<unsigned>(result));
    return result;
}

}  // namespace upd
