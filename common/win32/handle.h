// Owners for platform handles: every handle the programs open lives in one
// of these, so that no path leaks it. Each kind is the one owner template
// (unique_resource.h) with the kind's "none" values and closing call.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>

#include "../core/unique_resource.h"

namespace fwu {

namespace handle_traits {

// Kernel handles whose "none" is null (processes, threads, mutexes, events,
// semaphores, tokens).
struct Kernel {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
// CreateFileW and friends answer INVALID_HANDLE_VALUE; null is not a file
// either.
struct File {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static Handle OtherInvalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
// FindFirstFileW.
struct Find {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static Handle OtherInvalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::FindClose(h); }
};
struct Local {
    using Handle = HLOCAL;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::LocalFree(h); }
};
struct Module {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::FreeLibrary(h); }
};
struct RegKey {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};
struct Window {
    using Handle = HWND;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DestroyWindow(h); }
};
struct GdiObject {
    using Handle = HGDIOBJ;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
struct Font {
    using Handle = HFONT;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
struct Brush {
    using Handle = HBRUSH;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
struct Icon {
    using Handle = HICON;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};
// AllocateAndInitializeSid.
struct Sid {
    using Handle = PSID;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::FreeSid(h); }
};
struct CryptProvider {
    using Handle = HCRYPTPROV;
    static Handle Invalid() noexcept { return 0; }
    static void Close(Handle h) noexcept { ::CryptReleaseContext(h, 0); }
};
struct CryptHash {
    using Handle = HCRYPTHASH;
    static Handle Invalid() noexcept { return 0; }
    static void Close(Handle h) noexcept { ::CryptDestroyHash(h); }
};
// CertOpenStore.
struct CertStore {
    using Handle = HCERTSTORE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CertCloseStore(h, 0); }
};
// A certificate context (CertCreateCertificateContext, a store's find or
// add). CertDeleteCertificateFromStore frees the context it is given:
// release() it into that call.
struct CertContext {
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CertFreeCertificateContext(h); }
};
// CreateWindowStationW.
struct WindowStation {
    using Handle = HWINSTA;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CloseWindowStation(h); }
};
// CreateDesktopW.
struct Desktop {
    using Handle = HDESK;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CloseDesktop(h); }
};
// A semaphore this thread holds one count of: the count goes back, then the
// handle is closed.
struct HeldSemaphore {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept {
        ::ReleaseSemaphore(h, 1, nullptr);
        ::CloseHandle(h);
    }
};
// A mutex this thread owns: released, then closed.
struct HeldMutex {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept {
        ::ReleaseMutex(h);
        ::CloseHandle(h);
    }
};

}  // namespace handle_traits

using UniqueHandle = UniqueResource<handle_traits::Kernel>;
using UniqueFile = UniqueResource<handle_traits::File>;
using UniqueFind = UniqueResource<handle_traits::Find>;
using UniqueLocal = UniqueResource<handle_traits::Local>;
using UniqueModule = UniqueResource<handle_traits::Module>;
using UniqueHKey = UniqueResource<handle_traits::RegKey>;
using UniqueWindow = UniqueResource<handle_traits::Window>;
using UniqueGdiObject = UniqueResource<handle_traits::GdiObject>;
using UniqueFont = UniqueResource<handle_traits::Font>;
using UniqueBrush = UniqueResource<handle_traits::Brush>;
using UniqueIcon = UniqueResource<handle_traits::Icon>;
using UniqueSid = UniqueResource<handle_traits::Sid>;
using UniqueCryptProvider = UniqueResource<handle_traits::CryptProvider>;
using UniqueCryptHash = UniqueResource<handle_traits::CryptHash>;
using UniqueCertStore = UniqueResource<handle_traits::CertStore>;
using UniqueCertContext = UniqueResource<handle_traits::CertContext>;
using UniqueWindowStation = UniqueResource<handle_traits::WindowStation>;
using UniqueDesktop = UniqueResource<handle_traits::Desktop>;
using UniqueHeldSemaphore = UniqueResource<handle_traits::HeldSemaphore>;
using UniqueHeldMutex = UniqueResource<handle_traits::HeldMutex>;

// A device context from GetDC, given back with ReleaseDC to its window.
class UniqueWindowDC {
public:
    explicit UniqueWindowDC(HWND window) noexcept : m_window(window), m_dc(::GetDC(window)) {}
    ~UniqueWindowDC() {
        if (m_dc) ::ReleaseDC(m_window, m_dc);
    }
    UniqueWindowDC(const UniqueWindowDC&) = delete;
    UniqueWindowDC& operator=(const UniqueWindowDC&) = delete;
    HDC get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// COM on the calling thread, a single-threaded apartment, for as long as the
// scope lasts: uninitialised at its end only when the initialisation took.
class CComScope {
public:
    CComScope() noexcept : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComScope() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;
    bool Failed() const noexcept { return FAILED(m_hr); }

private:
    HRESULT m_hr;
};

}  // namespace fwu
