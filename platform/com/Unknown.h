#pragma once
// The minimal component model the program and the library share: GUIDs,
// result codes, IUnknown and IClassFactory. Objects are reference-counted and
// released by their creator (see ComPtr.h).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace com {

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, either case).
std::optional<GUID> ParseGuid(std::string_view text);
// Braced upper-case form, "{CF1A2882-CD3B-451C-A294-116BE62C94CF}".
std::string GuidToString(const GUID& guid);

constexpr GUID MakeGuid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::uint8_t b0, std::uint8_t b1,
                        std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5, std::uint8_t b6,
                        std::uint8_t b7) {
    return GUID{d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}};
}

constexpr IID IID_IUnknown = MakeGuid(0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0, 0, 0, 0, 0, 0x46);
constexpr IID IID_IClassFactory = MakeGuid(0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0, 0, 0, 0, 0, 0x46);

class IUnknown {
public:
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};

// Each public interface names its IID as a static member `iid`, so
// ComPtr<T> and the creation helpers can ask for it by type.
template <typename T>
constexpr const IID& IidOf() {
    return T::iid;
}
template <>
constexpr const IID& IidOf<IUnknown>() {
    return IID_IUnknown;
}
template <>
constexpr const IID& IidOf<IClassFactory>() {
    return IID_IClassFactory;
}

}  // namespace com
