#pragma once
// An owning COM interface pointer: one AddRef per copy, one Release per owner.
#include <unknwn.h>

#include <utility>

namespace dnccom {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference that the caller owns (an out parameter's).
    static ComPtr attach(T* p) {
        ComPtr ptr;
        ptr.p_ = p;
        return ptr;
    }
    // Shares a pointer that the caller does not own.
    static ComPtr share(T* p) {
        if (p) p->AddRef();
        return attach(p);
    }
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() {
        if (auto* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For an out parameter: the old reference is released first.
    T** put() {
        reset();
        return &p_;
    }
    // Hands the reference to the caller.
    T* detach() { return std::exchange(p_, nullptr); }

    template <class U>
    HRESULT queryInterface(REFIID iid, ComPtr<U>* out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, reinterpret_cast<void**>(out->put()));
    }

private:
    T* p_ = nullptr;
};

}  // namespace dnccom
