#pragma once
// The component's own owning interface pointer (it shares no code with the
// agent's COM adapter): one reference per Ref, released when the Ref goes.
#include <unknwn.h>

#include <utility>

namespace dncsimcom {

template <class T>
class Ref {
public:
    Ref() = default;
    // Adopts a reference that the caller hands over.
    explicit Ref(T* adopted) : p_(adopted) {}
    // Takes a reference of its own to an object it is shown.
    static Ref shared(T* shown) {
        if (shown) shown->AddRef();
        return Ref(shown);
    }
    Ref(const Ref& other) : Ref(shared(other.p_)) {}
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ref() {
        if (p_) p_->Release();
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // The slot of an out parameter; only for an empty Ref.
    T** slot() { return &p_; }
    // The reference goes to the caller.
    T* release() { return std::exchange(p_, nullptr); }

    // The object's interface I, or an empty Ref.
    template <class I>
    Ref<I> as(REFIID iid = __uuidof(I)) const {
        Ref<I> found;
        if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(found.slot()));
        return found;
    }

private:
    T* p_ = nullptr;
};

}  // namespace dncsimcom
