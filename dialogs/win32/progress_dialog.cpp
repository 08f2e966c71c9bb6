#include "progress_dialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <process.h>

#include "progress_core.h"

namespace prg {

namespace {
// While a stopping thread's dialog is not up yet, Close finds nothing to
// close: it is repeated at this interval until the thread has ended.
constexpr DWORD kStopRetryMs = 200;
}  // namespace

CDlgProgress::CDlgProgress()
    : m_hReady(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_msgTaskbarButtonCreated(::RegisterWindowMessageW(L"TaskbarButtonCreated")),
      m_hClosed(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

CDlgProgress::~CDlgProgress() { Cleanup(); }

void CDlgProgress::Cleanup() {
    Close();
    m_hReady.reset();
    m_hClosed.reset();
    m_hFont.reset();
}

HWND CDlgProgress::GetWindow() const { return m_hDlg.load(); }

INT_PTR CDlgProgress::Run(HWND parent, int templateId, BOOL modal, int progressId, int staticId,
                          const std::wstring& title, const std::wstring& text, int fontSize) {
    if (m_hDlg.load()) return 0;
    m_bModal = modal;
    m_progressId = progressId;
    m_staticId = staticId;
    m_title = title;
    m_text = text;
    m_fontSize = fontSize;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 0;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    INT_PTR result = 0;
    if (modal) {
        result = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), parent, StaticDialogProc,
                                   reinterpret_cast<LPARAM>(this));
    } else if (::CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, StaticDialogProc,
                                    reinterpret_cast<LPARAM>(this))) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            HWND dialog = m_hDlg.load();
            if (dialog && ::IsDialogMessageW(dialog, &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    ::CoUninitialize();
    return result;
}

void CDlgProgress::SetTarget(UINT percent) {
    m_target = TargetFromPercent(percent);
    if (HWND dialog = m_hDlg.load()) ::SetTimer(dialog, kSmoothTimer, kSmoothPeriodMs, nullptr);
}

void CDlgProgress::Finish() {
    m_target = kBarRange;
    if (HWND dialog = m_hDlg.load()) ::SetTimer(dialog, kSmoothTimer, kSmoothPeriodMs, nullptr);
    ::WaitForSingleObject(m_hClosed.get(), INFINITE);
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

void CDlgProgress::OnSmoothTimer() {
    HWND dialog = m_hDlg.load();
    if (!dialog || !m_hProgress) return;
    UINT current = UINT(::SendMessageW(m_hProgress, PBM_GETPOS, 0, 0));
    SmoothStep step = NextSmoothStep(current, m_target.load());
    if (step.stopSmoothing) ::KillTimer(dialog, kSmoothTimer);
    if (step.startClose) ::SetTimer(dialog, kCloseTimer, kCloseDelayMs, nullptr);
    ::SendMessageW(m_hProgress, PBM_SETPOS, step.position, 0);
    if (m_pTaskbar) m_pTaskbar->SetProgressValue(dialog, step.position, kBarRange);
}

void CDlgProgress::OnClose() {
    HWND dialog = m_hDlg.exchange(nullptr);
    if (!dialog) return;
    ::KillTimer(dialog, kSmoothTimer);
    ::KillTimer(dialog, kCloseTimer);
    m_pTaskbar.reset();
    m_noCloseBox.Restore();
    if (m_bModal)
        ::EndDialog(dialog, 0);
    else
        ::DestroyWindow(dialog);
    ::SetEvent(m_hClosed.get());
}

INT_PTR CDlgProgress::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog);
            return TRUE;
        case kWmDialogReady:
            ::SetEvent(m_hReady.get());
            return TRUE;
        case WM_TIMER:
            if (wParam == kSmoothTimer) {
                OnSmoothTimer();
            } else if (wParam == kCloseTimer) {
                ::KillTimer(dialog, kCloseTimer);
                ::PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
            return TRUE;
        case WM_CLOSE:
            OnClose();
            return TRUE;
        case WM_DESTROY:
            if (!m_bModal) {
                ::SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
                ::PostQuitMessage(0);
            }
            return FALSE;
        default:
            if (m_msgTaskbarButtonCreated && message == m_msgTaskbarButtonCreated) {
                ::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   m_pTaskbar.put_void());
                return TRUE;
            }
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
    m_bStopping = 0;
    uintptr_t thread = ::_beginthreadex(nullptr, 0, ThreadEntry, this, 0, &m_threadId);
    if (!thread) return FALSE;
    m_hThread.reset(reinterpret_cast<HANDLE>(thread));
    ::WaitForSingleObject(m_dialog.ReadyEvent(), kReadyWaitMs);
    return TRUE;
}

void CProgressThread::Stop() {
    if (!m_hThread) return;
    m_bStopping = 1;
    do {
        m_dialog.Close();
    } while (::WaitForSingleObject(m_hThread.get(), kStopRetryMs) == WAIT_TIMEOUT);
    m_hThread.reset();
    m_threadId = 0;
}

unsigned CProgressThread::ThreadBody() {
    return unsigned(m_dialog.Run(nullptr, m_templateId, TRUE, m_progressId, m_staticId, m_title, m_text, m_fontSize));
}

unsigned __stdcall CProgressThread::ThreadEntry(void* self) {
    return static_cast<CProgressThread*>(self)->ThreadBody();
}

}  // namespace prg
