// libVEDataBase.so as the main program uses it: registered into a temporary
// registry by its own DllRegisterServer, its classes created by ProgID, and
// every call made through the public interfaces.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "VEDataBase/_VEDataManager.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "VEDataBase/_clsRC4.h"
#include "platform/Registry.h"
#include "platform/com/Creation.h"

namespace {

using qpmtest::ScopedEnv;
using qpmtest::TempDir;

class Component : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = ::dlopen(VEDATABASE_PATH, RTLD_NOW | RTLD_NODELETE);
        ASSERT_NE(library_, nullptr) << ::dlerror();
    }

    com::HRESULT Call(const char* entry) {
        auto fn = reinterpret_cast<com::HRESULT (*)()>(::dlsym(library_, entry));
        EXPECT_NE(fn, nullptr) << entry;
        return fn ? fn() : com::E_FAIL;
    }

    // The description of the 429 that creating `progId` raises, or "".
    template <class T>
    static std::string Error429(const char* progId) {
        try {
            com::CreateObject<T>(progId);
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), 429) << e.Description();
            return e.Description();
        }
        return {};
    }

    TempDir dir_;
    ScopedEnv registry_{"QUELLON_REGISTRY_ROOT", dir_.file("registry")};
    void* library_ = nullptr;
};

TEST_F(Component, RegistersEveryClassWithTheLibrarysOwnPath) {
    ASSERT_EQ(Call("DllRegisterServer"), com::S_OK);
    const std::string self = std::filesystem::canonical(VEDATABASE_PATH).string();
    struct Class {
        const char* progId;
        const char* clsid;
    };
    const Class classes[] = {
        {"VEDataBase.VEDataManager", "{CF1A2882-CD3B-451C-A294-116BE62C94CF}"},
        {"VEDataBase.clsRC4", "{7100BF26-BE3C-41B7-8EC1-1B73BA2D21E0}"},
        {"VEDataBase.clsMD5HASH", "{9A481FF9-CAD9-4A29-ABE7-5D11499DC5FF}"},
    };
    for (const Class& c : classes) {
        EXPECT_EQ(plat::RegQueryString(plat::HKEY_CLASSES_ROOT, std::string(c.progId) + "\\CLSID", ""), c.clsid);
        auto path =
            plat::RegQueryString(plat::HKEY_CLASSES_ROOT, std::string("CLSID\\") + c.clsid + "\\InprocServer32", "");
        ASSERT_TRUE(path) << c.progId;
        EXPECT_EQ(std::filesystem::canonical(*path).string(), self) << c.progId;
    }
    ASSERT_EQ(Call("DllUnregisterServer"), com::S_OK);
    EXPECT_FALSE(plat::RegKeyExists(plat::HKEY_CLASSES_ROOT, "VEDataBase.VEDataManager"));
}

TEST_F(Component, UnregisteredClassesCannotBeCreated) {
    const std::string why = Error429<vedb::_VEDataManager>("VEDataBase.VEDataManager");
    EXPECT_NE(why.find("VEDataBase.VEDataManager is not registered"), std::string::npos) << why;
    ASSERT_EQ(Call("DllRegisterServer"), com::S_OK);
    ASSERT_EQ(Call("DllUnregisterServer"), com::S_OK);
    EXPECT_NE(Error429<vedb::_clsRC4>("VEDataBase.clsRC4").find("not registered"), std::string::npos);
}

TEST_F(Component, CipherAndHashThroughTheirInterfaces) {
    ASSERT_EQ(Call("DllRegisterServer"), com::S_OK);
    auto rc4 = com::CreateObject<vedb::_clsRC4>("VEDataBase.clsRC4");
    ASSERT_TRUE(rc4);
    EXPECT_EQ(rc4->EncryptString("Plaintext", "Key", true), "BBF316E8D940AF0AD3");
    EXPECT_EQ(rc4->Key(), "Key");
    auto md5 = com::CreateObject<vedb::_clsMD5HASH>("VEDataBase.clsMD5HASH");
    ASSERT_TRUE(md5);
    EXPECT_EQ(md5->DigestStrToHexStr(std::string(56, 'a')), "959729528C4D3149AAED8B0ACA8859BB");
}

TEST_F(Component, ManagerSavesAndLoadsThroughItsInterface) {
    ASSERT_EQ(Call("DllRegisterServer"), com::S_OK);
    auto unload = reinterpret_cast<com::HRESULT (*)()>(::dlsym(library_, "DllCanUnloadNow"));
    ASSERT_NE(unload, nullptr);
    {
        auto m = com::CreateObject<vedb::_VEDataManager>("VEDataBase.VEDataManager");
        ASSERT_TRUE(m);
        EXPECT_EQ(unload(), com::S_FALSE);

        vedb::DataBase db;
        db.Name = "Demo";
        db.Version = "1.1a";
        vedb::Table t;
        t.Name = "DataTable";
        t.Caption.fields = {{"Title", 66, ""}, {"Password", 2, ""}};
        t.Caption.Num = 2;
        db.Tables = {t};
        db.tabnum = 1;
        vedb::Table& tbl = db.Tables[0];
        EXPECT_EQ(m->AddRecord(tbl), 0);
        EXPECT_EQ(m->SetFieldValInTbl(tbl, 1, "Title", "Mail"), 0);
        EXPECT_EQ(m->SetFieldValInTbl(tbl, 1, "Password", "p\x87w\r\nd"), 0);
        const std::string path = dir_.file("demo.vdb");
        ASSERT_EQ(m->SaveDB(db, path, "secret"), 2);

        auto reader = com::CreateObject<vedb::_VEDataManager>("VEDataBase.VEDataManager");
        vedb::DataBase back;
        EXPECT_EQ(reader->LoadDB(back, path, "wrong"), -6);
        ASSERT_EQ(reader->LoadDB(back, path, "secret"), 1);
        EXPECT_TRUE(back.Ready);
        ASSERT_EQ(back.tabnum, 1);
        EXPECT_EQ(back.Tables[0].Records, db.Tables[0].Records);
        EXPECT_EQ(reader->GetFldValFromDB(back, "DataTable", "Password", 1), "p\x87w\r\nd");

        // A run-time error of a member without a handler reaches the caller
        // as the run-time error exception, across the library boundary.
        try {
            reader->DelRecord(back.Tables[0], 5);
            ADD_FAILURE() << "no error for a record that does not exist";
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), 9);
        }
        EXPECT_EQ(back.Tables[0].RecNum, 1);
    }
    EXPECT_EQ(unload(), com::S_OK);
}

}  // namespace
