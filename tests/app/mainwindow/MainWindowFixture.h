#pragma once
// The main window under test, offscreen, on the core's fixture (a program
// folder and per-user folders of the test's own, the built library
// registered): a language file whose text n reads "T<n>", a user of the
// tests' own in the databases folder, and every way out of the window
// answered by the test (message boxes, dialogs, opening files, the program's
// end).
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "app/mainwindow/frmMain.h"

class QLineEdit;
class QTreeWidgetItem;

namespace guitest {

struct Form {
    std::string form;
    std::string input;
};

// The tests' own user, made in each test's databases folder by the
// program's code. Rows by IndNum: folders 1 (records 4, 5), 2 (record 6) and
// 3 (records 7, 8), record 9 under the root; the table's tag is 9.
inline constexpr const char* kUser = "TestUser";
inline constexpr const char* kPassword = "test-pass-1";
// The sample user the program folder ships.
inline constexpr const char* kSampleUser = "SampleUser";
inline constexpr const char* kSamplePassword = "58203716";

// The MD5 text of a password, from the library's own hash class.
std::string Md5Text(const std::string& text);

class MainWindowTest : public coretest::LibraryTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Options as the first run leaves them (start.dat), the databases folder
    // in the test's folder.
    void DefaultOptions();
    // Makes the window and runs its start; with `password` the password
    // dialog answers with it.
    void Start(const std::string& password = {});
    // Starts with `user` as the last user, logged in at start.
    void StartLoggedIn(const std::string& user = kUser, const std::string& password = kPassword);

    // A node by key; fails the test when it is not there.
    QTreeWidgetItem* Node(const std::string& key);
    // Selects a node and runs the tree's click.
    void ClickNode(const std::string& key);

    // A row of "DataTable" by IndNum in the logged-in user's database: the
    // value of `field`, or nothing when no row has that IndNum.
    std::optional<std::string> RowField(std::int32_t indNum, const std::string& field);
    // Sets a field of a row of the open database, as an edit does.
    void SetRowField(std::int32_t indNum, const std::string& field, const std::string& value);
    // A field of a row as the test user's file holds it.
    std::optional<std::string> OnDisk(std::int32_t indNum, const std::string& field);

    // The open label editor of the tree, after a rename or a new folder.
    QLineEdit* Editor();
    // Ends the open label edit with a key (after typing `text`); the tree
    // takes the text once the events have run.
    void EndLabelEdit(Qt::Key key, const QString* text = nullptr);
    void TypeLabel(const QString& text) { EndLabelEdit(Qt::Key_Return, &text); }

    // The answer the next message box gets (after the queue: `defaultAnswer`).
    void Answer(int answer) { answers.push_back(answer); }

    std::string databases;
    std::unique_ptr<frmMain> w;
    std::deque<int> answers;
    int defaultAnswer = 7;  // No
    std::vector<Form> forms;
    std::string passwordToGive;
    std::vector<std::string> opened;
    int ended = 0;
    bool trayAvailable = false;
};

}  // namespace guitest
