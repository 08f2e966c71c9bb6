// Owners for platform handles: every handle the programs open lives in one
// of these, so that no path leaks it.
#pragma once

#include <windows.h>

#include <utility>

namespace fwu {

template <typename T, T Invalid, typename Close>
class UniqueAny {
public:
    UniqueAny() = default;
    explicit UniqueAny(T value) : m_value(value) {}
    ~UniqueAny() { reset(); }
    UniqueAny(UniqueAny&& other) noexcept : m_value(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;

    T get() const { return m_value; }
    bool valid() const { return m_value != Invalid; }
    explicit operator bool() const { return valid(); }
    void reset(T value = Invalid) {
        if (m_value != Invalid) Close()(m_value);
        m_value = value;
    }
    T release() { return std::exchange(m_value, Invalid); }
    // Closes the current value and hands out the address to fill.
    T* put() {
        reset();
        return &m_value;
    }

private:
    T m_value = Invalid;
};

struct CloseHandleFn { void operator()(HANDLE h) const { ::CloseHandle(h); } };
struct LocalFreeFn { void operator()(void* p) const { ::LocalFree(p); } };
struct FreeLibraryFn { void operator()(HMODULE m) const { ::FreeLibrary(m); } };
struct RegCloseKeyFn { void operator()(HKEY k) const { ::RegCloseKey(k); } };
struct DestroyWindowFn { void operator()(HWND w) const { ::DestroyWindow(w); } };
struct DeleteObjectFn { void operator()(HGDIOBJ o) const { ::DeleteObject(o); } };

// Kernel handles whose "none" is null (processes, threads, mutexes, events).
using UniqueHandle = UniqueAny<HANDLE, nullptr, CloseHandleFn>;
// CreateFileW and friends answer INVALID_HANDLE_VALUE.
struct UniqueFile {
    HANDLE h = INVALID_HANDLE_VALUE;
    UniqueFile() = default;
    explicit UniqueFile(HANDLE value) : h(value) {}
    ~UniqueFile() { reset(); }
    UniqueFile(UniqueFile&& o) noexcept : h(std::exchange(o.h, INVALID_HANDLE_VALUE)) {}
    UniqueFile& operator=(UniqueFile&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h, INVALID_HANDLE_VALUE));
        return *this;
    }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;
    HANDLE get() const { return h; }
    bool valid() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    explicit operator bool() const { return valid(); }
    void reset(HANDLE value = INVALID_HANDLE_VALUE) {
        if (valid()) ::CloseHandle(h);
        h = value;
    }
    HANDLE release() { return std::exchange(h, INVALID_HANDLE_VALUE); }
};
using UniqueLocal = UniqueAny<HLOCAL, nullptr, LocalFreeFn>;
using UniqueModule = UniqueAny<HMODULE, nullptr, FreeLibraryFn>;
using UniqueHKey = UniqueAny<HKEY, nullptr, RegCloseKeyFn>;
using UniqueWindow = UniqueAny<HWND, nullptr, DestroyWindowFn>;
using UniqueGdiObject = UniqueAny<HGDIOBJ, nullptr, DeleteObjectFn>;

// Runs a one-off clean-up when the scope ends.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : m_f(std::move(f)) {}
    ~ScopeExit() {
        if (m_active) m_f();
    }
    void dismiss() { m_active = false; }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F m_f;
    bool m_active = true;
};

// COM interface pointer owner.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    I* get() const { return m_p; }
    I* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    I** put() {
        reset();
        return &m_p;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

private:
    I* m_p = nullptr;
};

}  // namespace fwu
