#pragma once
// Reference counting and QueryInterface for the library's classes. A class
// derives from ComObject<Interface> and is created with `new`, starting with
// one reference that its creator owns. The library counts live objects and
// server locks for DllCanUnloadNow.
#include <atomic>
#include <cstdint>

#include "platform/com/Unknown.h"

namespace vedb {

// Live objects plus server locks; zero means the library may be unloaded.
std::atomic<long>& LibraryUsage();

template <typename Interface>
class ComObject : public Interface {
public:
    ComObject() { ++LibraryUsage(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    com::HRESULT QueryInterface(const com::IID& iid, void** object) override {
        if (!object) return com::E_POINTER;
        if (iid == com::IID_IUnknown || iid == Interface::iid) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        std::uint32_t left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ~ComObject() override { --LibraryUsage(); }

private:
    std::atomic<std::uint32_t> refs_{1};
};

}  // namespace vedb
