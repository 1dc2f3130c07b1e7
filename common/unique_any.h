#pragma once
// One small owner for system handles: closes what it holds, movable, never copied.

#include <utility>

template <typename T, auto Close, T Empty = T{}>
class unique_any {
public:
    unique_any() = default;
    explicit unique_any(T value) : value_(value) {}
    ~unique_any() { reset(); }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Empty; }
    void reset(T value = Empty) {
        if (value_ != Empty) Close(value_);
        value_ = value;
    }
    T release() { return std::exchange(value_, Empty); }

private:
    T value_ = Empty;
};
