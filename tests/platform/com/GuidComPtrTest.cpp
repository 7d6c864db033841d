#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"

namespace {

using com::GUID;

constexpr GUID kManager = com::MakeGuid(0xCF1A2882, 0xCD3B, 0x451C, 0xA2, 0x94, 0x11, 0x6B, 0xE6, 0x2C, 0x94, 0xCF);

TEST(Guid, FormatsBracedUpperCaseAndParsesBack) {
    const GUID cases[] = {
        kManager,
        com::IID_IUnknown,
        com::MakeGuid(0xFFFFFFFF, 0xFFFF, 0xFFFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF),
        com::MakeGuid(0x0000000A, 0x000B, 0x000C, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08),
    };
    EXPECT_EQ(com::GuidToString(kManager), "{CF1A2882-CD3B-451C-A294-116BE62C94CF}");
    EXPECT_EQ(com::GuidToString(cases[3]), "{0000000A-000B-000C-0102-030405060708}");
    for (const GUID& g : cases) {
        auto back = com::ParseGuid(com::GuidToString(g));
        ASSERT_TRUE(back) << com::GuidToString(g);
        EXPECT_EQ(*back, g);
    }
}

TEST(Guid, AcceptsLowerCaseAndMissingBraces) {
    EXPECT_EQ(com::ParseGuid("{cf1a2882-cd3b-451c-a294-116be62c94cf}"), kManager);
    EXPECT_EQ(com::ParseGuid("CF1A2882-CD3B-451C-A294-116BE62C94CF"), kManager);
}

TEST(Guid, RefusesMalformedTexts) {
    const char* bad[] = {
        "",
        "{}",
        "{CF1A2882-CD3B-451C-A294-116BE62C94CF",    // one brace
        "CF1A2882-CD3B-451C-A294-116BE62C94CF}",    // the other brace
        "(CF1A2882-CD3B-451C-A294-116BE62C94CF)",   // wrong brackets
        "{CF1A2882-CD3B-451C-A294-116BE62C94C}",    // one digit short
        "{CF1A2882-CD3B-451C-A294-116BE62C94CFF}",  // one digit long
        "{CF1A2882CD3B-451C-A294-116BE62C94CF0}",   // hyphen moved
        "{CF1A288G-CD3B-451C-A294-116BE62C94CF}",   // not hex
        "{CF1A2882-CD3B-451C-A294-116BE62C94C }",   // blank
        "{+F1A2882-CD3B-451C-A294-116BE62C94CF}",   // sign
    };
    for (const char* text : bad) EXPECT_FALSE(com::ParseGuid(text)) << text;
}

// An object that counts its references and lives until the last release.
class ICounted : public com::IUnknown {
public:
    static constexpr com::IID iid = com::MakeGuid(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11);
};
class IElse : public com::IUnknown {
public:
    static constexpr com::IID iid = com::MakeGuid(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12);
};
class INever : public com::IUnknown {
public:
    static constexpr com::IID iid = com::MakeGuid(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13);
};

class Counted : public ICounted, public IElse {
public:
    explicit Counted(int& alive) : alive_(alive) { ++alive_; }
    com::HRESULT QueryInterface(const com::IID& iid, void** object) override {
        if (iid == com::IID_IUnknown || iid == ICounted::iid) {
            *object = static_cast<ICounted*>(this);
        } else if (iid == IElse::iid) {
            *object = static_cast<IElse*>(this);
        } else {
            *object = nullptr;
            return com::E_NOINTERFACE;
        }
        AddRef();
        return com::S_OK;
    }
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override {
        std::uint32_t left = --refs;
        if (left == 0) delete this;
        return left;
    }
    std::uint32_t refs = 1;

private:
    ~Counted() override { --alive_; }
    int& alive_;
};

TEST(ComPtr, OwnsOneReferenceThroughCopyMoveAndReset) {
    int alive = 0;
    auto* raw = new Counted(alive);
    {
        auto a = com::ComPtr<ICounted>::Adopt(raw);
        EXPECT_EQ(raw->refs, 1u);
        {
            com::ComPtr<ICounted> b = a;  // copy adds a reference
            EXPECT_EQ(raw->refs, 2u);
            com::ComPtr<ICounted> c = std::move(b);  // move does not
            EXPECT_EQ(raw->refs, 2u);
            EXPECT_FALSE(b);
            EXPECT_EQ(c.Get(), static_cast<ICounted*>(raw));
            c = a;  // self-equal assignment of the same object keeps the count right
            EXPECT_EQ(raw->refs, 2u);
            c.Reset();
            EXPECT_EQ(raw->refs, 1u);
            c.Reset();  // a second reset is harmless
        }
        com::ComPtr<ICounted> d(static_cast<ICounted*>(raw));  // takes a reference of its own
        EXPECT_EQ(raw->refs, 2u);
        a = a;  // self-assignment
        EXPECT_EQ(raw->refs, 2u);
    }
    EXPECT_EQ(alive, 0);
}

TEST(ComPtr, AttachAndDetachMoveOwnershipWithoutCounting) {
    int alive = 0;
    auto* raw = new Counted(alive);
    com::ComPtr<ICounted> p;
    p.Attach(raw);
    EXPECT_EQ(raw->refs, 1u);
    ICounted* out = p.Detach();
    EXPECT_FALSE(p);
    EXPECT_EQ(raw->refs, 1u);
    EXPECT_EQ(alive, 1);
    p.Attach(out);
    int alive2 = 0;
    p.Attach(new Counted(alive2));  // releases the first object
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(alive2, 1);
    p = nullptr;
    EXPECT_EQ(alive2, 0);
}

TEST(ComPtr, AsQueriesAnotherInterface) {
    int alive = 0;
    auto* raw = new Counted(alive);
    auto p = com::ComPtr<ICounted>::Adopt(raw);
    {
        com::ComPtr<IElse> other = p.As<IElse>();
        ASSERT_TRUE(other);
        EXPECT_EQ(other.Get(), static_cast<IElse*>(raw));
        EXPECT_EQ(raw->refs, 2u);
        com::ComPtr<com::IUnknown> unknown = other.As<com::IUnknown>();
        EXPECT_TRUE(unknown);
        EXPECT_EQ(raw->refs, 3u);
        EXPECT_FALSE(p.As<INever>());
        EXPECT_EQ(raw->refs, 3u);
    }
    EXPECT_EQ(raw->refs, 1u);
    EXPECT_FALSE(com::ComPtr<ICounted>().As<IElse>());
    p.Reset();
    EXPECT_EQ(alive, 0);
}

}  // namespace
