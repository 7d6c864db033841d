#pragma once
// The core's tests that need the database library: the fixture of the main
// module (CoreTestEnv.h) plus the built library registered into the test's
// own registry, as an installation registers it, so its classes are created
// by ProgID. Also small builders for databases in the users' format.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CoreTestEnv.h"
#include "platform/FileIO.h"

class clsDatabase;

namespace coretest {

// Registers the built library into the registry the environment names now.
void RegisterBuiltLibrary();

// Write faults in the library's file writes too: the library carries its own
// copy of the file layer, so its seam is set through the loaded library.
class ScopedLibraryWriteFaults {
public:
    explicit ScopedLibraryWriteFaults(const plat::WriteFaults& faults);
    ~ScopedLibraryWriteFaults();
    ScopedLibraryWriteFaults(const ScopedLibraryWriteFaults&) = delete;
    ScopedLibraryWriteFaults& operator=(const ScopedLibraryWriteFaults&) = delete;
};

// One row of "DataTable": IndNum, Parent, Type, Title, Login, Password,
// Description, Image, Flags.
using Row = std::vector<std::string>;
// Appends a row to table 1 through the object's own members, raising the
// table's record counter to the row's IndNum where that is higher.
void AddRow(clsDatabase& db, const Row& row);

// The number of the run-time error the call raises, 0 when none.
long ErrorOf(const std::function<void()>& call);

// Every file name in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

// The main module's fixture with the library registered; the collection of
// open files and the current database are dropped after each test.
class LibraryTest : public CoreTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // The debug log as one text ("" when none).
    std::string LogText() const;
    // A fresh folder of the test's own.
    std::string file(const std::string& name) const { return tmp.file("work/" + name); }
    std::string workDir() const { return tmp.file("work"); }
};

// The MD5 text of `text` and RC4 of `bytes` under `key`, by the library's
// classes, as the users' files use them.
std::string Md5Hex(const std::string& text);
std::string Rc4(std::string bytes, const std::string& key);

// The library fixture with a users' databases folder: option 5 names
// `folder`, the options file lies in the work folder, and the collection of
// open files and an empty current database exist. A login's note of a
// partial load is dropped after each test.
class UserFolderTest : public LibraryTest {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string UserFile(const std::string& name) const { return folder + "/" + name + ".vdb"; }

    std::string folder;
};

}  // namespace coretest
