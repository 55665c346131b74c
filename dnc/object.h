#pragma once
// Common base of every SDK object, the IUnknown of our boundary: objects are
// held by std::shared_ptr and asked for further interfaces with QueryInterface.
#include <memory>

#include "dnc/result.h"

namespace dnc {

// Interfaces derive virtually from Object so that one implementation class may
// offer several interfaces and still be one Object.
class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    // COM's QueryInterface as a checked cast: *out is the typed interface on
    // success and null with kNoInterface when this object does not offer it.
    // Works only on objects owned by a std::shared_ptr (as all SDK objects are).
    template <class Interface>
    HRESULT QueryInterface(std::shared_ptr<Interface>* out) {
        if (out == nullptr) return kPointer;
        *out = std::dynamic_pointer_cast<Interface>(weak_from_this().lock());
        return *out ? kOk : kNoInterface;
    }

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
};

}  // namespace dnc
