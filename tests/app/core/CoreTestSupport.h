#pragma once
// Shared set-up of the core's tests: the built library registered into a
// registry of the test's own, private runtime and data folders, and small
// builders for databases in the users' format.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"

class clsDatabase;

namespace coretest {

// Once per process: points the registry, the runtime folder and the data
// folder into a folder of the process's own and registers the built library
// there, so its classes can be created by ProgID.
void UseBuiltLibrary();
// The process's runtime folder (XDG_RUNTIME_DIR).
std::string RuntimeFolder();

// The text of a new user's database: one empty table "DataTable" with the
// nine columns of the record tree.
std::string NewUserText();

// One row of "DataTable": IndNum, Parent, Type, Title, Login, Password,
// Description, Image, Flags.
using Row = std::vector<std::string>;
// Appends a row to table 1 through the object's own members.
void AddRow(clsDatabase& db, const Row& row);

// The number of the run-time error the call raises, 0 when none.
long ErrorOf(const std::function<void()>& call);

// Every file name in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

// A fresh folder per test, the library ready and the call stack empty.
class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    qpmtest::TempDir dir;
};

}  // namespace coretest
