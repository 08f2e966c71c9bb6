// The message box and task dialog tasks without the platform: what to show
// (built from the task's keys), silent mode, the result and the log lines.
// The platform half shows the dialogs behind IDialogHost.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logsink.h"
#include "task_record.h"

namespace upd {

struct MessageBoxRequest {
    std::wstring text, caption;
    uint32_t style = 0;
};

struct DialogButton {
    int32_t id = 0;
    std::wstring text;
};

struct TaskDialogRequest {
    std::wstring windowTitle, mainInstruction, content, verificationText, expandedInformation;
    std::wstring expandedControlText, collapsedControlText, footer;
    uint32_t flags = 0, commonButtons = 0;
    // Icon files, loaded when not empty; a named icon (resource value, 0 for
    // none) replaces the file's icon.
    std::wstring mainIconFile, footerIconFile;
    uint16_t mainIconResource = 0, footerIconResource = 0;
    std::vector<DialogButton> buttons, radioButtons;
    int32_t defaultButton = 0, defaultRadioButton = 0;
    int32_t width96 = 0;
};

struct TaskDialogOutcome {
    int32_t hr = 0;  // HRESULT of TaskDialogIndirect
    int32_t button = 0, radioButton = 0;
    bool verificationChecked = false;
};

class IDialogHost {
public:
    virtual ~IDialogHost() = default;
    // MessageBoxW without owner: the pressed button, 0 when it cannot be shown.
    virtual uint32_t ShowMessageBox(const MessageBoxRequest& request) = 0;
    virtual TaskDialogOutcome ShowTaskDialog(const TaskDialogRequest& request) = 0;
};

MessageBoxRequest BuildMessageBoxRequest(const TaskRecord& task);
TaskDialogRequest BuildTaskDialogRequest(const TaskRecord& task);

// Type 1: 6 in silent mode without showing anything, else the button.
uint32_t RunMessageBoxTask(const TaskRecord& task, IDialogHost& host);
// Type 10: 6 in silent mode; 0xFFFFFFFF when the dialog cannot be shown;
// else the packed answer. Logs the outcome.
uint32_t RunTaskDialogTask(const TaskRecord& task, IDialogHost& host, fwu::ILog& log);

}  // namespace upd
