#include "progress_dialog.h"

#include <commctrl.h>
#include <process.h>

#include "progress_core.h"

namespace prg {

namespace {
// While a stopping thread's dialog is not up yet, Close finds nothing to
// close: it is repeated at this interval until the thread has ended.
constexpr DWORD kStopRetryMs = 200;
}  // namespace

CDlgProgress::CDlgProgress() : m_hReady(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

CDlgProgress::~CDlgProgress() { Close(); }

INT_PTR CDlgProgress::Run(HWND parent, int templateId, int progressId, int staticId, const std::wstring& title,
                          const std::wstring& text, int fontSize) {
    if (m_hDlg.load()) return 0;
    m_progressId = progressId;
    m_staticId = staticId;
    m_title = title;
    m_text = text;
    m_fontSize = fontSize;
    // The dialog's thread is a single-threaded apartment; where COM cannot
    // be set up there, no dialog is shown.
    fwu::CComScope com;
    if (com.Failed()) return 0;
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent, StaticDialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDlgProgress::Close() {
    if (HWND dialog = m_hDlg.load()) ::PostMessageW(dialog, WM_CLOSE, 0, 0);
}

void CDlgProgress::BringToFront() {
    HWND dialog = m_hDlg.load();
    if (!dialog || !::IsWindow(dialog)) return;
    if (!::GetForegroundWindow()) ::SetForegroundWindow(dialog);
    if (::GetForegroundWindow() == dialog) return;
    if (::SetForegroundWindow(dialog) && ::GetForegroundWindow() != dialog) {
        // The foreground lock keeps another process's window in front: lift
        // it for one call.
        DWORD saved = 0;
        ::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved, 0);
        ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(uintptr_t(0)), 0);
        ::SetForegroundWindow(dialog);
        ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(uintptr_t(saved)), 0);
    }
}

INT_PTR CALLBACK CDlgProgress::StaticDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) ::SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
    auto* self = reinterpret_cast<CDlgProgress*>(::GetWindowLongPtrW(dialog, GWLP_USERDATA));
    if (!self) return FALSE;
    return self->DialogProc(dialog, message, wParam, lParam);
}

void CDlgProgress::OnInitDialog(HWND dialog) {
    m_hDlg = dialog;
    m_hProgress = ::GetDlgItem(dialog, m_progressId);
    BringToFront();
    ::SetWindowTextW(dialog, m_title.c_str());
    if (m_staticId) {
        ::SetDlgItemTextW(dialog, m_staticId, m_text.c_str());
        m_hFont = fwu::CreateMessageFont(m_fontSize, fwu::ScreenDpi());
        if (m_hFont)
            ::SendDlgItemMessageW(dialog, m_staticId, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont.get()), TRUE);
    }
    // No close box, and no way to close the window from its menu.
    m_noCloseBox.Remove(dialog);

    if (m_hProgress) {
        ::SendMessageW(m_hProgress, PBM_SETRANGE32, 0, kBarRange);
        ::SendMessageW(m_hProgress, PBM_SETPOS, kBarRange, 0);
        ::SendMessageW(m_hProgress, PBM_SETPOS, 0, 0);
        ::SetWindowLongPtrW(m_hProgress, GWL_STYLE, ::GetWindowLongPtrW(m_hProgress, GWL_STYLE) | PBS_MARQUEE);
        ::SendMessageW(m_hProgress, PBM_SETMARQUEE, TRUE, kMarqueeStepMs);
    }
    ::PostMessageW(dialog, kWmDialogReady, 0, 0);
}

void CDlgProgress::OnClose() {
    HWND dialog = m_hDlg.exchange(nullptr);
    if (!dialog) return;
    m_noCloseBox.Restore();
    ::EndDialog(dialog, 0);
}

INT_PTR CDlgProgress::DialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog);
            return TRUE;
        case kWmDialogReady:
            ::SetEvent(m_hReady.get());
            return TRUE;
        case WM_CLOSE:
            OnClose();
            return TRUE;
        default:
            return FALSE;
    }
}

CProgressThread::~CProgressThread() { Stop(); }

BOOL CProgressThread::Start(int templateId, int progressId, int staticId, const std::wstring& title,
                            const std::wstring& text, int fontSize) {
    if (m_hThread) return TRUE;
    m_templateId = templateId;
    m_progressId = progressId;
    m_staticId = staticId;
    m_title = title;
    m_text = text;
    m_fontSize = fontSize;
    uintptr_t thread = ::_beginthreadex(nullptr, 0, ThreadEntry, this, 0, nullptr);
    if (!thread) return FALSE;
    m_hThread.reset(reinterpret_cast<HANDLE>(thread));
    ::WaitForSingleObject(m_dialog.ReadyEvent(), kReadyWaitMs);
    return TRUE;
}

void CProgressThread::Stop() {
    if (!m_hThread) return;
    do {
        m_dialog.Close();
    } while (::WaitForSingleObject(m_hThread.get(), kStopRetryMs) == WAIT_TIMEOUT);
    m_hThread.reset();
}

unsigned CProgressThread::ThreadBody() {
    return unsigned(m_dialog.Run(nullptr, m_templateId, m_progressId, m_staticId, m_title, m_text, m_fontSize));
}

unsigned __stdcall CProgressThread::ThreadEntry(void* self) {
    return static_cast<CProgressThread*>(self)->ThreadBody();
}

}  // namespace prg
