#pragma once
// Owns one reference to a component object: Release on destruction or reset,
// AddRef on copy. `As<U>()` asks the object for another interface.
#include <cstddef>
#include <utility>

#include "platform/com/Unknown.h"

namespace com {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference of its own (the caller keeps its reference).
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept {
        if (this != &other) {
            T* old = p_;
            p_ = other.p_;
            if (p_) p_->AddRef();
            if (old) old->Release();
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            T* old = std::exchange(p_, std::exchange(other.p_, nullptr));
            if (old) old->Release();
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept {
        Reset();
        return *this;
    }

    // Adopts a reference the caller already owns (no AddRef).
    static ComPtr Adopt(T* p) noexcept {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    void Attach(T* p) noexcept {
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    // Gives up ownership without releasing.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }
    void Reset() noexcept {
        if (T* old = std::exchange(p_, nullptr)) old->Release();
    }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For out-parameters: releases what is held and hands out the slot.
    T** ReleaseAndGetAddressOf() noexcept {
        Reset();
        return &p_;
    }

    // Another interface of the same object through QueryInterface; empty when
    // the object does not support it.
    template <typename U>
    ComPtr<U> As() const noexcept {
        ComPtr<U> result;
        if (!p_) return result;
        void* out = nullptr;
        if (Succeeded(p_->QueryInterface(IidOf<U>(), &out)) && out) result.Attach(static_cast<U*>(out));
        return result;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

}  // namespace com
