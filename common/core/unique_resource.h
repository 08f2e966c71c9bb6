// One owner for every kind of platform resource. A traits class says what
// the resource is and how it ends:
//
//   struct Traits {
//       using Handle = ...;                 // the value held
//       static Handle Invalid();            // "none": what an owner starts as
//       static Handle OtherInvalid();       // optional second "none" value
//       static void Close(Handle h);        // ends a valid value
//   };
//
// Kinds whose functions answer two different failure values (CreateFileW
// answers INVALID_HANDLE_VALUE where most calls answer null) give the second
// one as OtherInvalid(): neither is ever closed. The header includes no
// platform header, so the owner itself is tested on every host.
#pragma once

#include <utility>

namespace fwu {

template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() noexcept : m_value(Traits::Invalid()) {}
    explicit UniqueResource(Handle value) noexcept : m_value(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    // True unless `value` is one of the kind's "none" values.
    static bool IsValid(Handle value) noexcept {
        if constexpr (requires { Traits::OtherInvalid(); }) {
            if (value == Traits::OtherInvalid()) return false;
        }
        return value != Traits::Invalid();
    }

    Handle get() const noexcept { return m_value; }
    bool valid() const noexcept { return IsValid(m_value); }
    explicit operator bool() const noexcept { return valid(); }
    // Takes `value` and then ends the value held before.
    void reset(Handle value = Traits::Invalid()) noexcept {
        Handle old = std::exchange(m_value, value);
        if (IsValid(old)) Traits::Close(old);
    }
    // Gives the value up without ending it.
    Handle release() noexcept { return std::exchange(m_value, Traits::Invalid()); }
    // Ends the value held and hands out the address for a call to fill.
    Handle* put() noexcept {
        reset();
        return &m_value;
    }

private:
    Handle m_value;
};

// COM-style interface pointer owner: anything with Release(). Movable, not
// copyable.
template <typename I>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            I* taken = std::exchange(other.m_p, nullptr);
            reset();
            m_p = taken;
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    I* get() const noexcept { return m_p; }
    I* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    void reset() noexcept {
        if (I* p = std::exchange(m_p, nullptr)) p->Release();
    }
    I** put() noexcept {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
    I* m_p = nullptr;
};

}  // namespace fwu
