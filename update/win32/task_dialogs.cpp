// The dialogs of the dialog tasks on Windows, and bringing Update's hidden
// window or an open dialog to the front.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <initializer_list>
#include <string_view>
#include <vector>

#include "dialog_look.h"
#include "dialog_tasks.h"
#include "flag_names.h"
#include "handle.h"
#include "task_services_win32.h"

namespace upd {

// The name tables of the dialog tasks restate SDK values (the core cannot
// include the headers): every row, in order, is checked against them here.
namespace {
struct SdkValue {
    std::string_view name;
    uint32_t value;
};
constexpr bool SameName(std::wstring_view wide, std::string_view narrow) {
    if (wide.size() != narrow.size()) return false;
    for (size_t i = 0; i < wide.size(); ++i)
        if (wide[i] != wchar_t(narrow[i])) return false;
    return true;
}
template <size_t N>
constexpr bool RowsAgree(const FlagName (&rows)[N], std::initializer_list<SdkValue> sdk) {
    if (sdk.size() != N) return false;
    size_t i = 0;
    for (const SdkValue& v : sdk) {
        if (!SameName(rows[i].name, v.name) || rows[i].value != v.value) return false;
        ++i;
    }
    return true;
}
}  // namespace
#define FWU_SDK(name) SdkValue{#name, uint32_t(name)}
static_assert(RowsAgree(kMessageBoxFlagRows, {
    FWU_SDK(MB_OK), FWU_SDK(MB_OKCANCEL), FWU_SDK(MB_ABORTRETRYIGNORE), FWU_SDK(MB_YESNOCANCEL),
    FWU_SDK(MB_YESNO), FWU_SDK(MB_RETRYCANCEL), FWU_SDK(MB_CANCELTRYCONTINUE), FWU_SDK(MB_ICONHAND),
    FWU_SDK(MB_ICONQUESTION), FWU_SDK(MB_ICONEXCLAMATION), FWU_SDK(MB_ICONWARNING),
    FWU_SDK(MB_ICONERROR), FWU_SDK(MB_ICONINFORMATION), FWU_SDK(MB_HELP), FWU_SDK(MB_ICONASTERISK),
    FWU_SDK(MB_ICONSTOP), FWU_SDK(MB_DEFBUTTON1), FWU_SDK(MB_DEFBUTTON2), FWU_SDK(MB_DEFBUTTON3),
    FWU_SDK(MB_DEFBUTTON4), FWU_SDK(MB_APPLMODAL), FWU_SDK(MB_SYSTEMMODAL), FWU_SDK(MB_TASKMODAL),
    FWU_SDK(MB_DEFAULT_DESKTOP_ONLY), FWU_SDK(MB_RIGHT), FWU_SDK(MB_RTLREADING),
    FWU_SDK(MB_SETFOREGROUND), FWU_SDK(MB_TOPMOST), FWU_SDK(MB_SERVICE_NOTIFICATION)}));
static_assert(RowsAgree(kTaskDialogFlagRows, {
    FWU_SDK(TDF_ENABLE_HYPERLINKS), FWU_SDK(TDF_USE_HICON_MAIN), FWU_SDK(TDF_USE_HICON_FOOTER),
    FWU_SDK(TDF_ALLOW_DIALOG_CANCELLATION), FWU_SDK(TDF_USE_COMMAND_LINKS),
    FWU_SDK(TDF_USE_COMMAND_LINKS_NO_ICON), FWU_SDK(TDF_EXPAND_FOOTER_AREA),
    FWU_SDK(TDF_EXPANDED_BY_DEFAULT), FWU_SDK(TDF_VERIFICATION_FLAG_CHECKED),
    FWU_SDK(TDF_SHOW_PROGRESS_BAR), FWU_SDK(TDF_SHOW_MARQUEE_PROGRESS_BAR),
    FWU_SDK(TDF_CALLBACK_TIMER), FWU_SDK(TDF_POSITION_RELATIVE_TO_WINDOW), FWU_SDK(TDF_RTL_LAYOUT),
    FWU_SDK(TDF_NO_DEFAULT_RADIO_BUTTON), FWU_SDK(TDF_CAN_BE_MINIMIZED), FWU_SDK(TDF_SIZE_TO_CONTENT)}));
static_assert(RowsAgree(kCommonButtonRows, {
    FWU_SDK(TDCBF_OK_BUTTON), FWU_SDK(TDCBF_YES_BUTTON), FWU_SDK(TDCBF_NO_BUTTON),
    FWU_SDK(TDCBF_CANCEL_BUTTON), FWU_SDK(TDCBF_RETRY_BUTTON), FWU_SDK(TDCBF_CLOSE_BUTTON)}));
#undef FWU_SDK
static_assert(kSilentDialogAnswer == IDYES);

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

uint32_t CWin32Dialogs::ShowMessageBox(const MessageBoxRequest& request) {
    return static_cast<uint32_t>(::MessageBoxW(nullptr, request.text.c_str(), request.caption.c_str(), request.style));
}

TaskDialogOutcome CWin32Dialogs::ShowTaskDialog(const TaskDialogRequest& request) {
    TASKDIALOGCONFIG config{};
#ifdef _WIN64
    static_assert(sizeof(TASKDIALOGCONFIG) == 160);
#endif
    config.cbSize = sizeof(config);
    config.hwndParent = nullptr;
    config.hInstance = ::GetModuleHandleW(nullptr);
    config.dwFlags = request.flags;
    config.dwCommonButtons = request.commonButtons;
    config.pszWindowTitle = request.windowTitle.c_str();
    config.pszMainInstruction = request.mainInstruction.c_str();
    config.pszContent = request.content.c_str();
    config.pszVerificationText = request.verificationText.c_str();
    config.pszExpandedInformation = request.expandedInformation.c_str();
    config.pszExpandedControlText = request.expandedControlText.c_str();
    config.pszCollapsedControlText = request.collapsedControlText.c_str();
    config.pszFooter = request.footer.c_str();

    // The icons loaded from files live until the dialog has closed,
    // also when a named icon took their place.
    UniqueIcon mainIcon = LoadIconFile(request.mainIconFile);
    UniqueIcon footerIcon = LoadIconFile(request.footerIconFile);
    config.hMainIcon = mainIcon.get();
    if (request.mainIconResource) config.pszMainIcon = MAKEINTRESOURCEW(request.mainIconResource);
    config.hFooterIcon = footerIcon.get();
    if (request.footerIconResource) config.pszFooterIcon = MAKEINTRESOURCEW(request.footerIconResource);

    std::vector<TASKDIALOG_BUTTON> buttons = ButtonArray(request.buttons);
    std::vector<TASKDIALOG_BUTTON> radios = ButtonArray(request.radioButtons);
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    config.nDefaultButton = request.defaultButton;
    config.cRadioButtons = static_cast<UINT>(radios.size());
    config.pRadioButtons = radios.empty() ? nullptr : radios.data();
    config.nDefaultRadioButton = request.defaultRadioButton;
    config.pfCallback = TaskDialogCallback;
    config.lpCallbackData = 0;
    config.cxWidth = static_cast<UINT>(TaskDialogWidth(request.width96, fwu::ScreenDpi(), WorkAreaDialogUnits()));

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
