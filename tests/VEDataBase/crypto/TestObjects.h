#pragma once
// Owning handles for the library's reference-counted objects in tests.
#include <memory>

namespace cryptotest {

struct Releaser {
    template <typename T>
    void operator()(T* object) const {
        if (object) object->Release();
    }
};

template <typename T>
using Owned = std::unique_ptr<T, Releaser>;

template <typename T>
Owned<T> Make() {
    return Owned<T>(new T());
}

}  // namespace cryptotest
