// Optpick: a confirmation dialog whose OK button becomes usable only when
// every shown check box is ticked. The exit code is the answer.
#include <windows.h>
#include <commctrl.h>

#include "config_win32.h"
#include "dialog_look.h"
#include "dialog_start.h"
#include "handle.h"
#include "optpick_core.h"
#include "presence_win32.h"
#include "program_shell.h"

namespace opk {

static_assert(kIdCancel == IDCANCEL);

namespace {

struct DialogState {
    Settings settings;
    bool topmost = false;
    uint32_t result = kExitDeclined;
    int dpi = 96;
    fwu::UniqueFont font;
    fwu::UniqueBrush brush;
    bool cancelShown = true;
    fwu::CNoCloseBox noCloseBox;  // taken while there is no Cancel button
};

// The state handed to the dialog by DialogBoxParamW; null before
// WM_INITDIALOG.
DialogState* StateOf(HWND dialog) {
    return reinterpret_cast<DialogState*>(::GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

bool HasStyle(HWND control, LONG_PTR style) { return (::GetWindowLongPtrW(control, GWL_STYLE) & style) != 0; }

void UpdateOkButton(HWND dialog) {
    std::array<CheckState, kCheckCount> boxes;
    for (size_t i = 0; i < kCheckCount; ++i) {
        HWND box = ::GetDlgItem(dialog, kCheckBoxes[i]);
        boxes[i].visible = box && HasStyle(box, WS_VISIBLE);
        boxes[i].checked = ::IsDlgButtonChecked(dialog, kCheckBoxes[i]) == BST_CHECKED;
    }
    ::EnableWindow(::GetDlgItem(dialog, kIdOk), OkEnabled(boxes));
}

void OnInitDialog(HWND dialog, DialogState& state) {
    const Settings& s = state.settings;
    state.brush.reset(::CreateSolidBrush(::GetSysColor(COLOR_WINDOW)));
    if (state.topmost) ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    state.font = fwu::CreateMessageFont(s.fontSize, state.dpi);
    if (state.font)
        for (int id : kFontControls)
            ::SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(state.font.get()), TRUE);

    std::array<bool, kCheckCount> shown{};
    for (size_t i = 0; kCheckBoxes[i] != 0; ++i) {
        HWND box = ::GetDlgItem(dialog, kCheckBoxes[i]);
        shown[i] = !s.checks[i].empty();
        if (shown[i]) {
            ::SetWindowTextW(box, s.checks[i].c_str());
        } else {
            ::EnableWindow(box, FALSE);
            ::ShowWindow(box, SW_HIDE);
        }
    }

    ::SetWindowTextW(dialog, s.title.c_str());
    ::SetDlgItemTextW(dialog, kIdDesc1, s.desc1.c_str());
    ::SetDlgItemTextW(dialog, kIdDesc2, s.desc2.c_str());
    ::SetDlgItemTextW(dialog, kIdOk, s.okText.c_str());

    state.cancelShown = !s.cancelText.empty();
    if (state.cancelShown) {
        ::SetDlgItemTextW(dialog, kIdCancel, s.cancelText.c_str());
    } else {
        // No way to decline: no Cancel button, no close box, no Close entry.
        state.noCloseBox.Remove(dialog);
        HWND cancel = ::GetDlgItem(dialog, kIdCancel);
        ::EnableWindow(cancel, FALSE);
        ::ShowWindow(cancel, SW_HIDE);
    }

    HWND ok = ::GetDlgItem(dialog, kIdOk);
    ::EnableWindow(ok, FALSE);
    InitialFocus focus = ChooseInitialFocus(shown, state.cancelShown);
    if (focus.enableOk) ::EnableWindow(ok, TRUE);
    ::SetFocus(::GetDlgItem(dialog, focus.control));
}

void EndWithResult(HWND dialog, DialogState& state) {
    // The dialog class's style is the process's: later dialogs and message
    // boxes keep their close box.
    state.noCloseBox.Restore();
    ::EndDialog(dialog, 0);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) ::SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
    DialogState* current = StateOf(dialog);
    if (!current) return FALSE;
    DialogState& state = *current;
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog, state);
            // The focus is set above; the dialog manager must not move it.
            return FALSE;
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            bool okEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, kIdOk)) != FALSE;
            switch (ClassifyCommand(id, state.cancelShown, okEnabled)) {
                case CommandAction::Decline:
                    state.result = kExitDeclined;
                    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
                    return TRUE;
                case CommandAction::Confirm:
                    state.result = kExitOk;
                    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
                    return TRUE;
                case CommandAction::UpdateOk:
                    UpdateOkButton(dialog);
                    return TRUE;
                case CommandAction::Ignore:
                    return TRUE;
                case CommandAction::NotHandled:
                    return FALSE;
            }
            return FALSE;
        }
        case WM_ENDSESSION:
            if (!wParam) return FALSE;
            EndWithResult(dialog, state);
            return TRUE;
        case WM_CLOSE:
            EndWithResult(dialog, state);
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            if (!state.brush) return FALSE;
            int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id == kIdPanel) return reinterpret_cast<INT_PTR>(state.brush.get());
            if (id == kIdDesc1 || id == kIdDesc2 || id == kIdCheck0 || id == kIdCheck1) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
                ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<INT_PTR>(state.brush.get());
            }
            return FALSE;
        }
        case WM_THEMECHANGED:
            state.brush.reset(::CreateSolidBrush(::GetSysColor(COLOR_WINDOW)));
            ::InvalidateRect(dialog, nullptr, TRUE);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int RunOptpick(HINSTANCE instance, const Options& options, fwu::ILog& log) {
    const std::wstring section = SectionName(options.dialogNumber);

    ::InitCommonControls();
    const fwu::PersonVerdict person = fwu::MayWaitForPersonHere();
    fwu::CGlobalIniMgr config(fwu::PlatformProfileSource());
    int exitCode = 0;
    if (!dlg::AcceptConfig(config, kConfigRefusal, options.silent || !person.canWait, log, exitCode)) return exitCode;

    fwu::CInstanceGuard guard(kMutexName);
    if (!guard.IsCreated()) {
        log.Line(L"error - failed to create mutex.");
        return static_cast<int>(kExitMutexFailed);
    }
    if (guard.IsAlreadyRunning()) {
        fwu::BringFirstInstanceForward(kDialogClass, ReadCaption(config, section).c_str(), true);
        log.Line(L"error - already existed.");
        return static_cast<int>(kExitAlreadyRunning);
    }

    uint32_t result = kExitDeclined;
    if (options.silent) {
        result = options.silentExit;
    } else if (!person.canWait) {
        // Not confirmed: nobody ticked the boxes.
        fwu::LogLine(log, L"error - nobody can answer here: %ls.", person.reason);
        result = kExitDeclined;
    } else {
        // The font and the brush live as long as the state, past the
        // dialog whose controls draw with them.
        DialogState state;
        state.dpi = fwu::ScreenDpi();
        state.settings = ReadSettings(config, section);
        state.topmost = options.topmost;
        ::DialogBoxParamW(instance, MAKEINTRESOURCEW(kDialogTemplate), nullptr, DialogProc,
                          reinterpret_cast<LPARAM>(&state));
        result = state.result;
    }
    fwu::LogLine(log, L"return %d.", static_cast<int>(result));
    return static_cast<int>(result);
}

}  // namespace opk

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return fwu::RunWithOptions(opk::kBannerName, opk::ReadOptions,
                               [instance](const opk::Options& options, fwu::ILog& log) {
                                   return opk::RunOptpick(instance, options, log);
                               });
}
