#pragma once
// Move-only owners for Win32 handles and COM pointers: one owner, released when replaced or at
// scope exit. Handles that GetClipboardData returns are borrowed and never put in these.

#include <utility>

#include "base/win32.h"

namespace cw {

template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::invalid(); }
    T release() { return std::exchange(value_, Traits::invalid()); }
    void reset(T value = Traits::invalid())
    {
        const T old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }
    T* put()
    {
        reset();
        return &value_;
    }

private:
    T value_ = Traits::invalid();
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct RegKeyTraits {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
struct GdiObjectTraits {
    static HGDIOBJ invalid() { return nullptr; }
    static void close(HGDIOBJ h) { DeleteObject(h); }
};
struct WindowTraits {
    static HWND invalid() { return nullptr; }
    static void close(HWND h) { DestroyWindow(h); }
};

using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;
using UniqueFile = UniqueResource<HANDLE, FileHandleTraits>;
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;
using UniqueWindow = UniqueResource<HWND, WindowTraits>;

// A COM reference: Release on scope exit.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns.
    static ComPtr attach(I* p)
    {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    I** put()
    {
        reset();
        return &p_;
    }
    void reset(I* p = nullptr)
    {
        if (p_) p_->Release();
        p_ = p;
    }

private:
    I* p_ = nullptr;
};

// An open clipboard: CloseClipboard on scope exit (its failures are ignored on purpose).
class ClipboardSession {
public:
    ClipboardSession() = default;
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    ~ClipboardSession() { close(); }
    bool open(HWND window)
    {
        open_ = OpenClipboard(window) != FALSE;
        return open_;
    }
    void close()
    {
        if (open_) CloseClipboard();
        open_ = false;
    }
    bool is_open() const { return open_; }

private:
    bool open_ = false;
};

// GlobalLock for the lifetime of the object; the span is capped at GlobalSize.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h) : handle_(h), data_(h ? GlobalLock(h) : nullptr) {}
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    ~GlobalLockGuard()
    {
        if (data_) GlobalUnlock(handle_);  // a failed unlock changes nothing for us
    }
    void* data() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    HGLOBAL handle_;
    void* data_;
};

// OleInitialize / OleUninitialize, the latter only after a successful init.
class OleSession {
public:
    OleSession() : hr_(OleInitialize(nullptr)) {}
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession()
    {
        if (SUCCEEDED(hr_)) OleUninitialize();
    }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

}  // namespace cw
