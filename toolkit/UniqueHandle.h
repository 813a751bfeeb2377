// The one owner of every handle kind: a handle and the function that closes
// it, closed when the owner goes, moved but never copied.
#pragma once

#include <cstdint>
#include <utility>

// `Close` is called once on every handle that is not `Invalid` (0, or -1 for
// the kinds whose failure value is INVALID_HANDLE_VALUE).
template <typename Handle, auto Close, std::intptr_t Invalid = 0>
class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(Handle handle) : handle_(handle) {}
    ~TUniqueHandle() { reset(); }
    TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(other.release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != InvalidValue(); }
    // Gives the handle up without closing it.
    Handle release() { return std::exchange(handle_, InvalidValue()); }
    void reset(Handle handle = InvalidValue())
    {
        const Handle previous = std::exchange(handle_, handle);
        if (previous != InvalidValue())
            Close(previous);
    }

    static Handle InvalidValue() { return reinterpret_cast<Handle>(Invalid); }

private:
    Handle handle_ = InvalidValue();
};
