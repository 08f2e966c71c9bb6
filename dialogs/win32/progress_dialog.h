// The waiting dialog of Progress and the thread it runs on.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <string>

#include "dialog_look.h"
#include "handle.h"

namespace prg {

// The dialog with the message text and the marquee bar. Run() blocks on the
// calling thread for as long as the dialog is open; the other operations may
// be called from any thread.
class CDlgProgress {
public:
    CDlgProgress();
    virtual ~CDlgProgress();
    CDlgProgress(const CDlgProgress&) = delete;
    CDlgProgress& operator=(const CDlgProgress&) = delete;

    virtual INT_PTR Run(HWND parent, int templateId, BOOL modal, int progressId, int staticId,
                        const std::wstring& title, const std::wstring& text, int fontSize);
    virtual void Cleanup();
    virtual HWND GetWindow() const;
    virtual void SetTarget(UINT percent);
    virtual void Finish();
    virtual void Close();
    virtual INT_PTR DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void BringToFront();

    // Signalled once the dialog is up.
    HANDLE ReadyEvent() const { return m_hReady.get(); }

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND dialog);
    void OnSmoothTimer();
    void OnClose();

    fwu::UniqueHandle m_hReady;
    std::atomic<HWND> m_hDlg{nullptr};
    BOOL m_bModal = TRUE;
    HWND m_hProgress = nullptr;
    int m_progressId = 0;
    std::atomic<UINT> m_target{0};
    int m_staticId = 0;
    UINT m_msgTaskbarButtonCreated = 0;
    fwu::ComPtr<ITaskbarList3> m_pTaskbar;
    std::wstring m_title;
    std::wstring m_text;
    fwu::UniqueFont m_hFont;
    int m_fontSize = 0;
    fwu::UniqueHandle m_hClosed;
    fwu::CNoCloseBox m_noCloseBox;
};

// Runs one CDlgProgress on a thread of its own.
class CProgressThread {
public:
    CProgressThread() = default;
    virtual ~CProgressThread();
    CProgressThread(const CProgressThread&) = delete;
    CProgressThread& operator=(const CProgressThread&) = delete;

    // 1 when the thread runs (the dialog was ready, or 4 s passed), 0 when
    // it could not be started.
    virtual BOOL Start(int templateId, int progressId, int staticId, const std::wstring& title,
                       const std::wstring& text, int fontSize);
    virtual void Stop();
    virtual unsigned ThreadBody();
    virtual HANDLE GetThreadHandle() const { return m_hThread.get(); }
    virtual unsigned GetThreadId() const { return m_threadId; }
    virtual void SetTarget(UINT percent) { m_dialog.SetTarget(percent); }
    virtual void Finish() { m_dialog.Finish(); }
    virtual void BringToFront() { m_dialog.BringToFront(); }

private:
    static unsigned __stdcall ThreadEntry(void* self);

    fwu::UniqueHandle m_hThread;
    unsigned m_threadId = 0;
    std::atomic<LONG> m_bStopping{0};
    CDlgProgress m_dialog;
    int m_templateId = 0;
    int m_progressId = 0;
    int m_staticId = 0;
    std::wstring m_title;
    std::wstring m_text;
    int m_fontSize = 0;
};

}  // namespace prg
