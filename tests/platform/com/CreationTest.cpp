#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "FakeComponent.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/Registry.h"
#include "platform/com/Creation.h"

namespace {

using namespace plat;
using qpmtest::ScopedEnv;

const std::string kCounterClsid = com::GuidToString(fake::CLSID_Counter);

class Creation : public ::testing::Test {
protected:
    qpmtest::TempDir dir;
    ScopedEnv rootEnv{"QUELLON_REGISTRY_ROOT", dir.file("registry")};

    // What a library's registration writes for one class.
    static void Register(const std::string& progId, const std::string& clsid, const std::string& library) {
        ASSERT_EQ(RegBatch(HKEY_CLASSES_ROOT)
                      .SetString(progId + "\\CLSID", "", clsid)
                      .SetString("CLSID\\" + clsid + "\\InprocServer32", "", library)
                      .Commit(),
                  RegStatus::Ok);
    }

    // The description of the 429 that creating raises.
    template <class T>
    static std::string Error429(const std::string& name) {
        try {
            com::CreateObject<T>(name);
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), 429);
            EXPECT_EQ(e.Description().rfind("ActiveX component can't create object", 0), 0u) << e.Description();
            return e.Description();
        }
        ADD_FAILURE() << "no error for " << name;
        return {};
    }
};

TEST_F(Creation, CreatesARegisteredClassByProgIdAndByClsid) {
    Register("Fake.Counter", kCounterClsid, FAKE_COMPONENT_PATH);
    com::CLSID clsid;
    ASSERT_EQ(com::CLSIDFromProgID("fake.counter", clsid), com::S_OK);
    EXPECT_EQ(clsid, fake::CLSID_Counter);

    auto live = reinterpret_cast<long (*)()>(::dlsym(::dlopen(FAKE_COMPONENT_PATH, RTLD_NOW), "FakeLiveObjects"));
    ASSERT_NE(live, nullptr);
    {
        auto a = com::CreateObject<fake::ICounter>("Fake.Counter");
        auto b = com::CreateObject<fake::ICounter>(kCounterClsid);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->Next(), 1);
        EXPECT_EQ(a->Next(), 2);
        EXPECT_EQ(b->Next(), 1);  // two objects, not one
        EXPECT_EQ(live(), 2);
    }
    EXPECT_EQ(live(), 0);  // the creator's references were the only ones

    void* raw = nullptr;
    EXPECT_EQ(com::CoCreateInstance(fake::CLSID_Counter, fake::ICounter::iid, &raw), com::S_OK);
    ASSERT_NE(raw, nullptr);
    static_cast<fake::ICounter*>(raw)->Release();
}

TEST_F(Creation, UnregisteredProgIdRaises429NamingIt) {
    std::string why = Error429<fake::ICounter>("VEDataBase.clsRC4");
    EXPECT_NE(why.find("VEDataBase.clsRC4"), std::string::npos) << why;
    EXPECT_NE(why.find("not registered"), std::string::npos) << why;

    com::CLSID clsid;
    EXPECT_EQ(com::CLSIDFromProgID("VEDataBase.clsRC4", clsid), com::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(com::CLSIDFromProgID("Bad\\ProgId", clsid), com::CO_E_CLASSSTRING);
    EXPECT_EQ(com::CLSIDFromProgID("", clsid), com::CO_E_CLASSSTRING);
}

TEST_F(Creation, EachFailureSaysWhatFailed) {
    struct Case {
        const char* what;
        std::string library;  // empty: no InprocServer32 entry
        std::string expected;
    };
    const std::string missing = dir.file("gone/libVEDataBase.so");
    const Case cases[] = {
        {"library file missing", missing, "cannot be loaded"},
        {"relative library path", "libfake.so", "not an absolute path"},
        {"no DllGetClassObject", RUNNER_FIXTURE_PATH, "no entry point DllGetClassObject"},
        {"class not in the library", FAKE_COMPONENT_PATH, "no class factory"},
    };
    const std::string otherClsid = "{0BADC0DE-0000-0000-0000-000000000001}";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The last case registers a CLSID the library does not serve.
        const std::string& clsid = c.expected == "no class factory" ? otherClsid : kCounterClsid;
        Register("Case.Class", clsid, c.library);
        std::string why = Error429<fake::ICounter>("Case.Class");
        EXPECT_NE(why.find(c.expected), std::string::npos) << why;
        if (c.library == missing) {
            EXPECT_NE(why.find(missing), std::string::npos) << why;
        }
    }

    // A CLSID without a library entry.
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "Half.Class\\CLSID", "", "{0BADC0DE-0000-0000-0000-000000000002}"),
              RegStatus::Ok);
    EXPECT_NE(Error429<fake::ICounter>("Half.Class").find("no library registered"), std::string::npos);

    // A ProgID whose CLSID text is no GUID.
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "Wrong.Class\\CLSID", "", "not a guid"), RegStatus::Ok);
    EXPECT_NE(Error429<fake::ICounter>("Wrong.Class").find("registered wrongly"), std::string::npos);

    // An interface the class does not have.
    Register("Fake.Counter", kCounterClsid, FAKE_COMPONENT_PATH);
    EXPECT_NE(Error429<fake::IOther>("Fake.Counter").find("does not support the interface"), std::string::npos);

    // A braced text that is no CLSID.
    EXPECT_NE(Error429<fake::ICounter>("{not-a-clsid}").find("not a class identifier"), std::string::npos);
}

TEST_F(Creation, CoCreateInstanceGivesTheRegistryResults) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(com::CoCreateInstance(fake::CLSID_Counter, fake::ICounter::iid, &out), com::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
    Register("Fake.Counter", kCounterClsid, dir.file("missing.so"));
    EXPECT_EQ(com::CoCreateInstance(fake::CLSID_Counter, fake::ICounter::iid, &out), com::CO_E_DLLNOTFOUND);
    Register("Fake.Counter", kCounterClsid, RUNNER_FIXTURE_PATH);
    EXPECT_EQ(com::CoCreateInstance(fake::CLSID_Counter, fake::ICounter::iid, &out), com::CO_E_ERRORINDLL);
    Register("Fake.Counter", kCounterClsid, FAKE_COMPONENT_PATH);
    EXPECT_EQ(com::CoCreateInstance(fake::CLSID_Counter, fake::IOther::iid, &out), com::E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
