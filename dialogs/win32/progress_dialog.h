// The waiting dialog of Progress and the thread it runs on.
#pragma once

#include <windows.h>

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
    ~CDlgProgress();
    CDlgProgress(const CDlgProgress&) = delete;
    CDlgProgress& operator=(const CDlgProgress&) = delete;

    INT_PTR Run(HWND parent, int templateId, int progressId, int staticId, const std::wstring& title,
                const std::wstring& text, int fontSize);
    void Close();
    void BringToFront();

    // Signalled once the dialog is up.
    HANDLE ReadyEvent() const { return m_hReady.get(); }

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND dialog);
    void OnClose();

    fwu::UniqueHandle m_hReady;
    std::atomic<HWND> m_hDlg{nullptr};
    HWND m_hProgress = nullptr;
    int m_progressId = 0;
    int m_staticId = 0;
    std::wstring m_title;
    std::wstring m_text;
    fwu::UniqueFont m_hFont;
    int m_fontSize = 0;
    fwu::CNoCloseBox m_noCloseBox;
};

// Runs one CDlgProgress on a thread of its own.
class CProgressThread {
public:
    CProgressThread() = default;
    ~CProgressThread();
    CProgressThread(const CProgressThread&) = delete;
    CProgressThread& operator=(const CProgressThread&) = delete;

    // 1 when the thread runs (the dialog was ready, or 4 s passed), 0 when
    // it could not be started.
    BOOL Start(int templateId, int progressId, int staticId, const std::wstring& title, const std::wstring& text,
               int fontSize);
    void Stop();
    void BringToFront() { m_dialog.BringToFront(); }

private:
    static unsigned __stdcall ThreadEntry(void* self);
    unsigned ThreadBody();

    fwu::UniqueHandle m_hThread;
    CDlgProgress m_dialog;
    int m_templateId = 0;
    int m_progressId = 0;
    int m_staticId = 0;
    std::wstring m_title;
    std::wstring m_text;
    int m_fontSize = 0;
};

}  // namespace prg
