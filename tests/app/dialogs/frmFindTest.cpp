// The find dialog against a real user database loaded by the core, with the
// main window's tree replaced by a recording fake.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>
#include <set>

#include "DialogTestSupport.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/frmFind.h"
#include "platform/CodePage.h"
#include "platform/com/Creation.h"
#include "platform/qt/Desktop.h"

namespace {

using dialogtest::DialogTest;

// The main window's tree: the keys it shows and what the dialog did to it.
class FakeTree : public FindTarget {
public:
    bool SelectTreeNode(const std::string& key) override {
        calls.push_back("select " + key);
        return keys.count(key) != 0;
    }
    void SetDropHighlight(const std::string& key) override { calls.push_back("highlight " + key); }
    void EnsureTreeNodeVisible(const std::string& key) override { calls.push_back("visible " + key); }
    void trvDatabaseClick() override { calls.push_back("click"); }

    // The calls of one hit shown.
    static std::vector<std::string> Hit(const std::string& key) {
        return {"select " + key, "highlight " + key, "visible " + key, "click"};
    }

    std::set<std::string> keys;
    std::vector<std::string> calls;
};

class FindDialog : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        LoadTexts(149, {18, 20, 24, 72, 73, 74, 75, 76, 77, 106});
        modMain::ProgCfgPath = file("config.dat");
        const trace::Secret password("alicepass1");
        ASSERT_EQ(modMain::AddUser(modMain::UserFilePath("alice"), "alice", password), modMain::kUserCreated);
        const trace::Secret hash =
            com::CreateObject<vedb::_clsMD5HASH>("VEDataBase.clsMD5HASH")->DigestStrToHexStr(password.str());
        ASSERT_FALSE(modMain::FullUserLoad("alice", hash).has_value());
        // "mail" is in the titles of the first and third record, and in the
        // login of the second.
        webmail = Add("Webmail", "me", "pw1");
        bank = Add("Bank", "mail-user", "pw2");
        oldMail = Add("Old MAIL", "", "pw3");
        tree.keys = {"0key", webmail, bank, oldMail};
    }

    // Adds a record under the root and answers its node key.
    static std::string Add(const std::string& title, const std::string& login, const std::string& password) {
        return modMain::AddRecordToDB("0", title, trace::Secret(login), trace::Secret(password), trace::Secret(""),
                                      *modMain::CurUsDB) +
               "key";
    }

    void Find(const std::function<void(frmFind&)>& script) {
        frmFind dialog(tree);
        RunModal(dialog, [&] { script(dialog); });
    }

    static void Search(frmFind& d, const QString& text) {
        d.txtFindText->setFocus();
        d.txtFindText->selectAll();
        QTest::keyClicks(d.txtFindText, text);
        d.cmdFind->click();
    }

    FakeTree tree;
    std::string webmail, bank, oldMail;
};

TEST_F(FindDialog, CaptionsComeFromTheLanguageAndTheControlsFromTheOptions) {
    const struct {
        std::string caseOption, scopeOption;
        bool caseTicked, titles;
    } cases[] = {
        {"1", "0", true, false},
        {"0", "1", false, true},
        {"0", "5", false, true},
        {"x", "y", false, false},  // no numbers: read as 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caseOption + "/" + c.scopeOption);
        SetOption(8, c.caseOption);
        SetOption(9, c.scopeOption);
        modMain::LastFindText = "Bank";
        Find([&](frmFind& d) {
            EXPECT_EQ(d.chkCaseSens->isChecked(), c.caseTicked);
            EXPECT_EQ(d.optSearchTitles->isChecked(), c.titles);
            EXPECT_EQ(d.optSearchEverywhere->isChecked(), !c.titles);
            EXPECT_EQ(d.txtFindText->text(), "Bank");
            const std::pair<const char*, QString> captions[] = {
                {"optSearchTitles", "T75"}, {"optSearchEverywhere", "T76"}, {"chkCaseSens", "T74"},
                {"cmdFind", "T77"},         {"cmdCancel", "T24"},
            };
            for (const auto& [name, text] : captions) {
                auto* control = d.findChild<QAbstractButton*>(name);
                ASSERT_NE(control, nullptr) << name;
                EXPECT_EQ(control->text(), text) << name;
            }
            EXPECT_EQ(d.findChild<QLabel*>("lblFindTextCap")->text(), "T72");
            EXPECT_EQ(d.findChild<QGroupBox*>("framCanvas2")->title(), "T73");
            EXPECT_EQ(d.windowTitle(), "T106");
            d.cmdCancel->click();
        });
    }
}

TEST_F(FindDialog, TheChoicesChangeTheOptionsInMemoryAndTheNextOpeningShowsThem) {
    SetOption(8, "0");
    SetOption(9, "1");
    Find([&](frmFind& d) {
        QTest::keyClicks(d.txtFindText, "web");
        d.chkCaseSens->click();
        d.optSearchEverywhere->click();
        EXPECT_EQ(modMain::ProgConfig(8), "1");
        EXPECT_EQ(modMain::ProgConfig(9), "0");
        EXPECT_EQ(modMain::LastFindText.str(), "web");
        d.cmdCancel->click();
    });
    Find([&](frmFind& d) {
        EXPECT_EQ(d.txtFindText->text(), "web");
        EXPECT_TRUE(d.chkCaseSens->isChecked());
        EXPECT_TRUE(d.optSearchEverywhere->isChecked());
        d.optSearchTitles->click();
        d.chkCaseSens->click();
        d.cmdCancel->click();
    });
    EXPECT_EQ(modMain::ProgConfig(8), "0");
    EXPECT_EQ(modMain::ProgConfig(9), "1");
}

TEST_F(FindDialog, FindWalksThroughTheHitsAndWrapsToTheFirst) {
    SetOption(9, "1");
    Find([&](frmFind& d) {
        std::vector<std::string> expected;
        for (const std::string& key : {webmail, oldMail, webmail}) {
            Search(d, "mail");
            const auto hit = FakeTree::Hit(key);
            expected.insert(expected.end(), hit.begin(), hit.end());
            EXPECT_EQ(tree.calls, expected);
            EXPECT_TRUE(d.IsLoaded()) << "the dialog stays open for the next hit";
        }
        d.cmdCancel->click();
    });
    EXPECT_TRUE(boxes.empty());
    // The next search, whatever its text, goes on after the last hit.
    EXPECT_EQ(modMain::FindIndNum, 2);
}

TEST_F(FindDialog, TheScopeAndTheCaseDecideWhatIsFound) {
    const struct {
        const char* text;
        bool titles;
        bool caseSens;
        std::string* hit;  // nullptr: nothing found
    } cases[] = {
        {"mail-user", true, false, nullptr},                                // a login: not a title
        {"mail-user", false, false, &bank},  {"pw2", false, false, &bank},  // passwords are fields too
        {"MAIL", true, true, &oldMail},      {"Mail", true, true, nullptr},
        {"Mail", true, false, &webmail},     {"nowhere", false, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SetOption(8, c.caseSens ? "1" : "0");
        SetOption(9, c.titles ? "1" : "0");
        modMain::FindIndNum = 0;
        tree.calls.clear();
        boxes.clear();
        Find([&](frmFind& d) {
            Search(d, c.text);
            if (c.hit) {
                EXPECT_EQ(tree.calls, FakeTree::Hit(*c.hit));
                EXPECT_TRUE(boxes.empty());
            } else {
                EXPECT_TRUE(tree.calls.empty());
                EXPECT_EQ(Prompts(), std::vector<std::string>{"T18"});
                EXPECT_EQ(boxes.back().style, qtplat::vbExclamation);
            }
            d.cmdCancel->click();
        });
    }
}

TEST_F(FindDialog, NothingToSearchForOrNothingToSearchIn) {
    modMain::FindIndNum = 3;
    Find([&](frmFind& d) {
        d.cmdFind->click();
        EXPECT_EQ(Prompts(), std::vector<std::string>{"T20"});
        EXPECT_EQ(boxes.back().style, qtplat::vbCritical);
        EXPECT_TRUE(d.IsLoaded());
        d.cmdCancel->click();
    });
    EXPECT_EQ(modMain::FindIndNum, 3);

    // Nobody logged in: no table to search.
    modMain::UnloadUser();
    boxes.clear();
    Find([&](frmFind& d) {
        Search(d, "mail");
        EXPECT_EQ(Prompts(), std::vector<std::string>{"T18"});
        d.cmdCancel->click();
    });
    EXPECT_TRUE(tree.calls.empty());
}

TEST_F(FindDialog, AHitTheTreeDoesNotShowIsNotClicked) {
    tree.keys.erase(webmail);
    SetOption(9, "1");
    Find([&](frmFind& d) {
        Search(d, "Webmail");
        EXPECT_EQ(tree.calls, std::vector<std::string>{"select " + webmail});
        EXPECT_TRUE(d.IsLoaded());
        d.cmdCancel->click();
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FindDialog, EscClosesOnlyFromTheSearchEverywhereButton) {
    Find([&](frmFind& d) {
        QTest::keyClick(d.txtFindText, Qt::Key_Escape);
        d.optSearchTitles->setFocus();
        QTest::keyClick(d.optSearchTitles, Qt::Key_Escape);
        QTest::keyClick(d.cmdFind, Qt::Key_Escape);
        EXPECT_TRUE(d.IsLoaded());
        d.optSearchEverywhere->setFocus();
        QTest::keyClick(d.optSearchEverywhere, Qt::Key_Escape);
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FindDialog, ATextOutsideTheCodePageIsRefusedNotSearchedWithQuestionMarks) {
    plat::SetAnsiCodePageForTests(1252);
    // A title of question marks, which a lossy conversion would find.
    tree.keys.insert(Add("???", "", ""));
    SetOption(9, "1");
    Find([&](frmFind& d) {
        d.txtFindText->insert(QString::fromUtf8("\u03a9\u03a9\u03a9"));
        d.cmdFind->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("cannot store"), std::string::npos) << boxes[0].prompt;
        EXPECT_TRUE(tree.calls.empty());
        d.cmdCancel->click();
    });
    plat::SetAnsiCodePageForTests(0);
}

TEST_F(FindDialog, OptionSixKeepsItOnTop) {
    SetOption(6, "True");
    Find([&](frmFind& d) {
        EXPECT_TRUE(d.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        d.cmdCancel->click();
    });
}

}  // namespace
