#pragma once
// A copyable, type-erased holder of one instance handle.
#include <memory>
#include <stdexcept>
#include <typeinfo>

namespace nolt {

class Value {
public:
    Value() = default;
    template <typename T>
    explicit Value(T held) : content_(std::make_unique<holder<T>>(std::move(held))) {}
    Value(const Value& other) : content_(other.content_ ? other.content_->clone() : nullptr) {}
    Value(Value&&) noexcept = default;
    Value& operator=(const Value& other) {
        if (this != &other) content_ = other.content_ ? other.content_->clone() : nullptr;
        return *this;
    }
    Value& operator=(Value&&) noexcept = default;
    ~Value() = default;

    bool empty() const { return !content_; }
    const std::type_info& type() const { return content_ ? content_->type() : typeid(void); }

    // The held value, or nullptr when it is of another type.
    template <typename T>
    const T* get() const {
        if (!content_ || content_->type() != typeid(T)) return nullptr;
        return &static_cast<const holder<T>*>(content_.get())->held;
    }

private:
    struct placeholder {
        virtual ~placeholder() = default;
        virtual const std::type_info& type() const = 0;
        virtual std::unique_ptr<placeholder> clone() const = 0;
    };
    template <typename T>
    struct holder : placeholder {
        explicit holder(T value) : held(std::move(value)) {}
        const std::type_info& type() const override { return typeid(T); }
        std::unique_ptr<placeholder> clone() const override { return std::make_unique<holder>(held); }
        T held;
    };

    std::unique_ptr<placeholder> content_;
};

}  // namespace nolt
