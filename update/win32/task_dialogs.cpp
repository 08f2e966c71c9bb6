// The dialogs of the dialog tasks on Windows, and bringing Update's hidden
// window or an open dialog to the front.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "dialog_look.h"
#include "dialog_tasks.h"
#include "flag_names.h"
#include "handle.h"
#include "task_services_win32.h"

namespace upd {

HRESULT CALLBACK TaskDialogCallback(HWND window, UINT notification, WPARAM wParam, LPARAM lParam,
                                    LONG_PTR referenceData);

namespace {

using fwu::UniqueIcon;

UniqueIcon LoadIconFile(const std::wstring& path) {
    if (path.empty()) return UniqueIcon();
    return UniqueIcon(static_cast<HICON>(::LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 64, 64, LR_LOADFROMFILE)));
}

// The width of the screen's work area in horizontal dialog units of the
// message font, which the task dialog lays itself out with; 0 when unknown.
int WorkAreaDialogUnits() {
    RECT area{};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return 0;
    int baseUnitX = 0;
    if (fwu::UniqueFont font = fwu::CreateMessageFont(); font) {
        fwu::UniqueWindowDC dc(nullptr);
        if (dc) {
            HGDIOBJ old = ::SelectObject(dc.get(), font.get());
            static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
            SIZE size{};
            if (::GetTextExtentPoint32W(dc.get(), kLetters, 52, &size)) baseUnitX = (size.cx / 26 + 1) / 2;
            ::SelectObject(dc.get(), old);
        }
    }
    if (baseUnitX <= 0) baseUnitX = LOWORD(::GetDialogBaseUnits());
    return DialogUnitsFromPixels(area.right - area.left, baseUnitX);
}

std::vector<TASKDIALOG_BUTTON> ButtonArray(const std::vector<DialogButton>& buttons) {
    std::vector<TASKDIALOG_BUTTON> out(buttons.size());
    for (size_t i = 0; i < buttons.size(); ++i) {
        out[i].nButtonID = buttons[i].id;
        out[i].pszButtonText = buttons[i].text.c_str();
    }
    return out;
}

}  // namespace

HRESULT CALLBACK TaskDialogCallback(HWND, UINT notification, WPARAM, LPARAM lParam, LONG_PTR) {
    switch (notification) {
        case TDN_BUTTON_CLICKED:
            return S_OK;  // every button closes the dialog
        case TDN_HYPERLINK_CLICKED:
            ::ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(lParam), nullptr, nullptr, SW_SHOW);
            return S_FALSE;  // the dialog stays open
        default:
            return S_FALSE;
    }
}

uint32_t CWin32Dialogs::ShowMessageBox(const MessageBoxSpec& spec) {
    return static_cast<uint32_t>(::MessageBoxW(nullptr, spec.text.c_str(), spec.caption.c_str(), spec.style));
}

TaskDialogOutcome CWin32Dialogs::ShowTaskDialog(const TaskDialogSpec& spec) {
    TASKDIALOGCONFIG config{};
#ifdef _WIN64
    static_assert(sizeof(TASKDIALOGCONFIG) == 160);
#endif
    config.cbSize = sizeof(config);
    config.hwndParent = nullptr;
    config.hInstance = ::GetModuleHandleW(nullptr);
    config.dwFlags = spec.flags;
    config.dwCommonButtons = spec.commonButtons;
    config.pszWindowTitle = spec.windowTitle.c_str();
    config.pszMainInstruction = spec.mainInstruction.c_str();
    config.pszContent = spec.content.c_str();
    config.pszVerificationText = spec.verificationText.c_str();
    config.pszExpandedInformation = spec.expandedInformation.c_str();
    config.pszExpandedControlText = spec.expandedControlText.c_str();
    config.pszCollapsedControlText = spec.collapsedControlText.c_str();
    config.pszFooter = spec.footer.c_str();

    // The icons loaded from files live until the dialog has closed,
    // also when a named icon took their place.
    UniqueIcon mainIcon = LoadIconFile(spec.mainIconFile);
    UniqueIcon footerIcon = LoadIconFile(spec.footerIconFile);
    config.hMainIcon = mainIcon.get();
    if (spec.mainIconResource) config.pszMainIcon = MAKEINTRESOURCEW(spec.mainIconResource);
    config.hFooterIcon = footerIcon.get();
    if (spec.footerIconResource) config.pszFooterIcon = MAKEINTRESOURCEW(spec.footerIconResource);

    std::vector<TASKDIALOG_BUTTON> buttons = ButtonArray(spec.buttons);
    std::vector<TASKDIALOG_BUTTON> radios = ButtonArray(spec.radioButtons);
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    config.nDefaultButton = spec.defaultButton;
    config.cRadioButtons = static_cast<UINT>(radios.size());
    config.pRadioButtons = radios.empty() ? nullptr : radios.data();
    config.nDefaultRadioButton = spec.defaultRadioButton;
    config.pfCallback = TaskDialogCallback;
    config.lpCallbackData = 0;
    config.cxWidth = static_cast<UINT>(TaskDialogWidth(spec.width96, fwu::ScreenDpi(), WorkAreaDialogUnits()));

    int button = 0, radio = 0;
    BOOL verified = FALSE;
    HRESULT hr = ::TaskDialogIndirect(&config, &button, &radio, &verified);
    TaskDialogOutcome outcome;
    outcome.hr = static_cast<int32_t>(hr);
    outcome.button = button;
    outcome.radioButton = radio;
    outcome.verificationChecked = verified != FALSE;
    return outcome;
}

void CWin32Dialogs::BringOwnerToFront() {
    if (::GetForegroundWindow() == m_owner) return;
    ::SetWindowPos(m_owner, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    ::SetForegroundWindow(m_owner);
    ::SetWindowPos(m_owner, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

bool CWin32Dialogs::ForegroundDialog(const std::wstring& caption) {
    // Message boxes and task dialogs share the dialog class "#32770".
    HWND dialog = ::FindWindowW(L"#32770", caption.c_str());
    if (!dialog) return false;
    ::SetForegroundWindow(dialog);
    return true;
}

}  // namespace upd
