#include "MainWindowFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidgetItem>
#include <filesystem>

#include "CoreTestSupport.h"
#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/modIcon.h"
#include "app/trace/Secret.h"
#include "app/trace/Trace.h"
#include "platform/com/Creation.h"
#include "platform/qt/Desktop.h"

namespace guitest {

namespace {

// Text n of the test language reads "T<n>"; 150 texts.
std::string TestLanguage() {
    std::string text = "150\r\n# every text names its number\r\n";
    for (int n = 1; n <= 150; ++n) text += std::to_string(n) + "=T" + std::to_string(n) + "\r\n";
    return text;
}

// The test user's rows: IndNum, Parent, Type, Title, Login, Password,
// Description, Image, Flags.
const std::vector<coretest::Row>& TestRows() {
    static const std::vector<coretest::Row> rows = {
        {"1", "0", "1", "Internet", "", "", "", "2key", "0|0"},
        {"2", "0", "1", "Mail", "", "", "", "3key", "0|0"},
        {"3", "0", "1", "Shopping", "", "", "", "4key", "0|0"},
        {"4", "1", "2", "Example forum", "forum.login", "Forum-Pass-1", "A forum account.", "10key", "0|0"},
        {"5", "1", "2", "Router", "admin", "Router-Pass-2", "First line\r\nSecond line", "14key", "0|0"},
        {"6", "2", "2", "Mailbox", "me@example.com", "Mail-Pass-3", "", "8key", "255|1"},
        {"7", "3", "2", "Shop", "shopper", "Shop-Pass-4", "", "17key", "0|0"},
        {"8", "3", "2", "Card PIN", "", "0000", "Not a real card.", "9key", "0|0"},
        {"9", "0", "2", "Read me", "", "", "Notes.", "41key", "0|0"},
    };
    return rows;
}

}  // namespace

std::string Md5Text(const std::string& text) {
    return com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH)->DigestStrToHexStr(text);
}

void MainWindowTest::SetUp() {
    coretest::LibraryTest::SetUp();
    qpmtest::WriteBytes(appDir() + "/Languages/English.lng", TestLanguage());
    modLang::LoadLang(appDir() + "/Languages/English.lng");
    databases = appDir() + "/DataBases";
    std::filesystem::create_directories(databases);
    DefaultOptions();
    modMain::ProgCfgPath = appDir() + "/config.dat";
    modMain::MDFM = std::make_shared<clsDataFilesManager>();
    modMain::CurUsDB = std::make_shared<clsDatabase>();

    // The test user, made and filled by the program's own code.
    ASSERT_EQ(modMain::AddUser(databases + "/" + kUser + ".vdb", kUser, kPassword), 1);
    ASSERT_FALSE(modMain::FullUserLoad(kUser, Md5Text(kPassword)).has_value());
    for (const coretest::Row& row : TestRows()) coretest::AddRow(*modMain::CurUsDB, row);
    modMain::CurUsDB->SetTblTag(1, "9");
    ASSERT_EQ(modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)), 2);
    modMain::UnloadUser();
    std::filesystem::remove(modMain::ProgCfgPath);
    DefaultOptions();

    qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
        boxes.push_back({prompt, style, title});
        if (answers.empty()) return defaultAnswer;
        const int a = answers.front();
        answers.pop_front();
        return a;
    });
    qtplat::SetShellOpenForTests([this](const std::string& target) {
        opened.push_back(target);
        return true;
    });
    frmMain::ShowForm = [this](frmMain&, const std::string& form, const std::string& input) {
        forms.push_back({form, input});
        if (form == "frmPassword" && !passwordToGive.empty()) {
            modMain::FrmPaswResult = 1;
            modMain::FrmPaswEnetered = Md5Text(passwordToGive);
        }
    };
    frmMain::EndProgram = [this] { ++ended; };
    frmMain::TrayAvailable = [this] { return trayAvailable; };
    QApplication::clipboard()->setText(QStringLiteral("sentinel"));
    // As the program's start does: the last input is now, so the inactivity
    // lock never comes while a test runs the event loop.
    modMain::LastActive = static_cast<std::int32_t>(clock);
}

void MainWindowTest::TearDown() {
    w.reset();
    // Every handler left the call stack as it found it.
    EXPECT_EQ(trace::FStack.UBound(), 0);
    frmMain::ShowForm = {};
    frmMain::EndProgram = {};
    frmMain::TrayAvailable = {};
    qtplat::SetShellOpenForTests({});
    modIcon::ClearCacheForTests();
    coretest::LibraryTest::TearDown();
}

void MainWindowTest::DefaultOptions() {
    SetOptions(coretest::DefaultOptions());
    modMain::ProgConfig(5) = databases;
}

void MainWindowTest::Start(const std::string& password) {
    passwordToGive = password;
    w = std::make_unique<frmMain>();
    w->Show();
}

void MainWindowTest::StartLoggedIn(const std::string& user, const std::string& password) {
    modMain::ProgConfig(4) = user;
    modMain::ProgConfig(7) = "1";
    Start(password);
    ASSERT_EQ(modMain::CurUser, user);
}

QTreeWidgetItem* MainWindowTest::Node(const std::string& key) {
    QTreeWidgetItem* node = w->trvDatabase->Find(key);
    EXPECT_NE(node, nullptr) << "no node " << key;
    return node;
}

void MainWindowTest::ClickNode(const std::string& key) {
    QTreeWidgetItem* node = Node(key);
    if (!node) return;
    w->trvDatabase->SetSelectedItem(node);
    w->trvDatabase_Click();
}

QLineEdit* MainWindowTest::Editor() {
    for (QLineEdit* e : w->trvDatabase->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) return e;
    return nullptr;
}

void MainWindowTest::EndLabelEdit(Qt::Key key, const QString* text) {
    QLineEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    if (text) editor->setText(*text);
    QTest::keyClick(editor, key);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::optional<std::string> MainWindowTest::RowField(std::int32_t indNum, const std::string& field) {
    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t tbl = db.FindTable("DataTable");
    std::int32_t start = 0;
    const std::int32_t row = db.GetRecNumFromVal(tbl, db.FindField(tbl, "IndNum"), std::to_string(indNum), start);
    if (row <= 0) return std::nullopt;
    return db.GetTblFldValNm(tbl, row, field);
}

void MainWindowTest::SetRowField(std::int32_t indNum, const std::string& field, const std::string& value) {
    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t tbl = db.FindTable("DataTable");
    std::int32_t start = 0;
    const std::int32_t row = db.GetRecNumFromVal(tbl, db.FindField(tbl, "IndNum"), std::to_string(indNum), start);
    ASSERT_GT(row, 0);
    db.SetTblFldValNm(tbl, row, field, trace::Secret(value));
}

std::optional<std::string> MainWindowTest::OnDisk(std::int32_t indNum, const std::string& field) {
    const auto open = modMain::CurUsDB;
    EXPECT_EQ(modMain::LoadUser(databases + "/" + kUser + ".vdb", modMain::GetTruePasw(Md5Text(kPassword))), 2);
    const auto value = RowField(indNum, field);
    modMain::CurUsDB = open;
    return value;
}

}  // namespace guitest
