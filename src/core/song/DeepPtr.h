#pragma once
// An owning pointer that copies what it points to. Event payloads (text, sysex bytes)
// belong to their event: a copied record must get its own payload, never share one.

#include <memory>
#include <utility>

namespace velisto {

template <typename T>
class DeepPtr {
public:
    DeepPtr() = default;
    explicit DeepPtr(T value) : ptr_(std::make_unique<T>(std::move(value))) {}
    DeepPtr(const DeepPtr& other) : ptr_(other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr) {}
    DeepPtr(DeepPtr&&) noexcept = default;
    DeepPtr& operator=(const DeepPtr& other)
    {
        if (this != &other)
            ptr_ = other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr;
        return *this;
    }
    DeepPtr& operator=(DeepPtr&&) noexcept = default;
    ~DeepPtr() = default;

    void reset() { ptr_.reset(); }
    void reset(T value) { ptr_ = std::make_unique<T>(std::move(value)); }
    T* get() const { return ptr_.get(); }
    T& operator*() const { return *ptr_; }
    T* operator->() const { return ptr_.get(); }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    std::unique_ptr<T> ptr_;
};

} // namespace velisto
