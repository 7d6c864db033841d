#include "ClassFactory.h"

#include <deque>
#include <mutex>
#include <new>

#include "ComObject.h"

namespace vedb::server {
namespace {

class ClassFactory final : public com::IClassFactory {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

    com::HRESULT QueryInterface(const com::IID& iid, void** object) override {
        if (!object) return com::E_POINTER;
        if (iid == com::IID_IUnknown || iid == com::IID_IClassFactory) {
            *object = static_cast<com::IClassFactory*>(this);
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    // A static object: references do not decide its life.
    std::uint32_t AddRef() override { return 2; }
    std::uint32_t Release() override { return 1; }

    com::HRESULT CreateInstance(com::IUnknown* outer, const com::IID& iid, void** object) override {
        if (!object) return com::E_POINTER;
        *object = nullptr;
        if (outer) return com::CLASS_E_NOAGGREGATION;
        com::IUnknown* created = nullptr;
        try {
            created = entry_.create();
        } catch (const std::bad_alloc&) {
            return com::E_OUTOFMEMORY;
        } catch (...) {
            // Nothing may escape through the entry points.
            return com::E_FAIL;
        }
        if (!created) return com::E_FAIL;
        com::HRESULT hr = created->QueryInterface(iid, object);
        created->Release();  // the caller's reference is the one QueryInterface gave
        return hr;
    }

    com::HRESULT LockServer(bool lock) override {
        if (lock)
            ++LibraryUsage();
        else
            --LibraryUsage();
        return com::S_OK;
    }

private:
    const ClassEntry& entry_;
};

}  // namespace

com::IClassFactory& FactoryFor(const ClassEntry& entry) {
    static std::mutex mutex;
    static std::deque<std::pair<const ClassEntry*, ClassFactory>> factories;
    std::lock_guard lock(mutex);
    for (auto& [e, factory] : factories)
        if (e == &entry) return factory;
    return factories.emplace_back(std::piecewise_construct, std::forward_as_tuple(&entry), std::forward_as_tuple(entry))
        .second;
}

}  // namespace vedb::server
