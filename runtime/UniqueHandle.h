// The owner of one handle of a platform interface (a kernel object, a registry key, a
// service, an ODBC statement...): it closes the handle once, when the owner goes or takes
// another one, and it moves but is never copied, so no raw handle outlives its scope.
// Traits give the handle's type, its empty value and how it is closed.
#pragma once

#include <utility>

template <typename Traits> class CUniqueHandle {
public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() = default;
    explicit CUniqueHandle(Handle handle) : handle_(handle) {}
    ~CUniqueHandle() { Reset(); }
    CUniqueHandle(CUniqueHandle&& other) noexcept : handle_(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    Handle Get() const { return handle_; }
    bool Valid() const { return Traits::Valid(handle_); }
    // For an interface that hands a new handle back through a pointer: the one held so far
    // is closed first.
    Handle* Out() {
        Reset();
        return &handle_;
    }
    void Reset(Handle handle = Traits::Empty()) {
        if (Traits::Valid(handle_))
            Traits::Close(handle_);
        handle_ = handle;
    }
    Handle Release() { return std::exchange(handle_, Traits::Empty()); }

private:
    Handle handle_ = Traits::Empty();
};
