// The options dialog: the options it shows and changes in memory, the file
// it saves, what Cancel and the close box keep, the tray icon and the
// databases folder, with the main window's tray replaced by a fake.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <deque>
#include <filesystem>

#include "DialogTestSupport.h"
#include "app/core/modMain.h"
#include "app/dialogs/frmOptions.h"
#include "platform/FileIO.h"
#include "platform/Registry.h"
#include "platform/qt/Choosers.h"
#include "platform/qt/Desktop.h"

namespace {

using dialogtest::DialogTest;

// The main window's tray: the actions asked of it, and the icon they leave.
class FakeTray : public TrayIconTarget {
public:
    void TrayIconManagement(std::int32_t action) override {
        actions.push_back(action);
        modMain::DoUnloadTIcon = action == 1;
    }
    std::vector<std::int32_t> actions;
};

class OptionsDialog : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        LoadTexts(149, {19, 24, 69, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 107});
        modMain::ProgCfgPath = file("config.dat");
        qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
            boxes.push_back({prompt, style, title});
            if (answers.empty()) return static_cast<int>(qtplat::vbYes);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }

    void Options(const std::function<void(frmOptions&)>& script) {
        frmOptions dialog(tray);
        RunModal(dialog, [&] { script(dialog); });
    }

    // The options file as lines ("" when there is none).
    std::vector<std::string> FileLines() const {
        std::vector<std::string> lines;
        if (!std::filesystem::exists(modMain::ProgCfgPath)) return lines;
        const std::string text = qpmtest::ReadBytes(modMain::ProgCfgPath);
        for (std::size_t pos = 0, end; pos < text.size(); pos = end + 2) {
            end = text.find("\r\n", pos);
            lines.push_back(text.substr(pos, end - pos));
        }
        return lines;
    }
    static std::vector<std::string> Options() {
        std::vector<std::string> options;
        for (long i = 1; i <= modMain::ProgConfig.UBound(); ++i) options.push_back(modMain::ProgConfig(i));
        return options;
    }
    static bool AutorunEntry() {
        return plat::RegQueryString(plat::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                    "Norvask Kessaro")
            .has_value();
    }
    static void Retype(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }

    FakeTray tray;
    std::deque<int> answers;
};

TEST_F(OptionsDialog, ShowsTheOptionsWithTheirTexts) {
    SetOption(3, "0");
    SetOption(7, "1");
    SetOption(12, "0");
    SetOption(11, "15");
    SetOption(13, "n7");
    Options([&](frmOptions& d) {
        EXPECT_FALSE(d.chkStartWithWin->isChecked());
        EXPECT_TRUE(d.chkLoadLUser->isChecked());
        EXPECT_FALSE(d.chkTrayMode->isChecked());
        EXPECT_TRUE(d.chkPaswProtect->isChecked());
        EXPECT_TRUE(d.txtInactMin->isEnabled());
        EXPECT_EQ(d.txtInactMin->text(), "15");
        EXPECT_FALSE(d.chkDBBackup->isChecked());
        EXPECT_FALSE(d.txtBackCopies->isEnabled());
        EXPECT_EQ(d.txtBackCopies->text(), "7");
        EXPECT_EQ(d.txtDBPath->text().toStdString(), dbFolder);
        EXPECT_EQ(d.cmbLang->count(), 0);
        const std::pair<const char*, QString> labels[] = {
            {"lblDBPathCap", "T83"}, {"lblInactMinCap", "T84"}, {"lblBackCopiesCap", "T85"}, {"lblLangCap", "T87"}};
        for (const auto& [name, text] : labels) EXPECT_EQ(d.findChild<QLabel*>(name)->text(), text) << name;
        const std::pair<const char*, QString> buttons[] = {
            {"chkDBBackup", "T82"}, {"chkLoadLUser", "T80"},    {"chkPaswProtect", "T79"}, {"chkStartWithWin", "T78"},
            {"chkTrayMode", "T81"}, {"cmdChangeDBPath", "T86"}, {"cmdOk", "T69"},          {"cmdCancel", "T24"}};
        for (const auto& [name, text] : buttons) EXPECT_EQ(d.findChild<QAbstractButton*>(name)->text(), text) << name;
        EXPECT_EQ(d.windowTitle(), "T107");
        d.cmdCancel->click();
    });
    EXPECT_FALSE(AutorunEntry()) << "opening with autorun off removes nothing and writes nothing";
}

TEST_F(OptionsDialog, ConfirmingKeepsWhatIsOffOffAndStoresTheNumberAlone) {
    const struct {
        std::string lock, backup;  // options 11 and 13 before
        std::string lockAfter, backupAfter;
    } cases[] = {
        {"n15", "n10", "n15", "n10"},  // switched off: the "n" stays
        {"15abc", "3 copies", "15", "3"},
        {"20", "5", "20", "5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lock + "/" + c.backup);
        SetOption(11, c.lock);
        SetOption(13, c.backup);
        Options([&](frmOptions& d) { d.cmdOk->click(); });
        EXPECT_EQ(modMain::ProgConfig(11), c.lockAfter);
        EXPECT_EQ(modMain::ProgConfig(13), c.backupAfter);
        EXPECT_EQ(FileLines(), Options());
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(OptionsDialog, SwitchingAFeatureOffKeepsItsNumberBehindTheMark) {
    SetOption(13, "10");
    Options([&](frmOptions& d) {
        Retype(d.txtBackCopies, "7");
        EXPECT_EQ(modMain::ProgConfig(13), "7");
        d.chkDBBackup->click();
        EXPECT_EQ(modMain::ProgConfig(13), "n7");
        EXPECT_FALSE(d.txtBackCopies->isEnabled());
        d.chkDBBackup->click();
        EXPECT_EQ(modMain::ProgConfig(13), "7");
        EXPECT_EQ(d.txtBackCopies->text(), "7");
        EXPECT_TRUE(d.txtBackCopies->isEnabled());
        d.chkPaswProtect->click();
        EXPECT_EQ(modMain::ProgConfig(11), "n15");
        d.cmdOk->click();
    });
    EXPECT_EQ(FileLines()[10], "n15");
    EXPECT_EQ(FileLines()[12], "7");
}

TEST_F(OptionsDialog, OnlyAWholeNumberFromOneTo999IsTaken) {
    const struct {
        const char* typed;
        bool taken;
    } cases[] = {
        {"1", true},    {"999", true}, {"042", true},   {"", false},   {"abc", false},
        {"12a", false}, {"0", false},  {"1000", false}, {"-5", false}, {"1.5", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        SetOption(11, "15");
        boxes.clear();
        std::filesystem::remove(modMain::ProgCfgPath);
        Options([&](frmOptions& d) {
            Retype(d.txtInactMin, c.typed);
            d.cmdOk->click();
            if (c.taken) {
                EXPECT_FALSE(d.IsLoaded());
                EXPECT_EQ(modMain::ProgConfig(11), std::to_string(std::stoi(c.typed)));
                EXPECT_TRUE(boxes.empty());
                return;
            }
            // Refused: the option holds a number still (the last one typed
            // on the way), nothing is saved, and the box is ready for
            // another number.
            EXPECT_TRUE(d.IsLoaded());
            EXPECT_NE(modMain::ProgConfig(11), c.typed);
            EXPECT_TRUE(frmOptions::BoxNumber(QString::fromStdString(modMain::ProgConfig(11))))
                << modMain::ProgConfig(11);
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_NE(boxes[0].prompt.find("whole number from 1 to 999"), std::string::npos) << boxes[0].prompt;
            EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
            EXPECT_TRUE(d.txtInactMin->hasFocus());
            EXPECT_TRUE(FileLines().empty());
            d.cmdCancel->click();
        });
    }
    // A box whose feature is off is not asked for a number.
    SetOption(13, "nabc");
    boxes.clear();
    Options([&](frmOptions& d) { d.cmdOk->click(); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(modMain::ProgConfig(13), "nabc");
}

TEST_F(OptionsDialog, CancelAndEscPutTheOptionsBackButNotTheAutorunEntry) {
    SetOption(3, "0");
    SetOption(7, "0");
    SetOption(11, "15");
    const std::vector<std::string> before = Options();
    for (bool esc : {false, true}) {
        Options([&](frmOptions& d) {
            d.chkStartWithWin->click();
            EXPECT_TRUE(AutorunEntry()) << "written at once";
            d.chkLoadLUser->click();
            Retype(d.txtInactMin, "30");
            EXPECT_EQ(modMain::ProgConfig(11), "30");
            if (esc)
                QTest::keyClick(d.txtInactMin, Qt::Key_Escape);  // from a text box too
            else
                d.cmdCancel->click();
            EXPECT_FALSE(d.IsLoaded());
        });
        EXPECT_EQ(Options(), before);
        EXPECT_TRUE(AutorunEntry());
        EXPECT_TRUE(FileLines().empty());
        modMain::AutorunManagement(false);
    }
}

TEST_F(OptionsDialog, TheCloseBoxKeepsTheChangesInMemoryUnsaved) {
    SetOption(7, "0");
    Options([&](frmOptions& d) {
        d.chkLoadLUser->click();
        d.close();
    });
    EXPECT_EQ(modMain::ProgConfig(7), "1");
    EXPECT_TRUE(FileLines().empty());
}

TEST_F(OptionsDialog, OpeningWithAutorunOnWritesTheEntryAgain) {
    SetOption(3, "1");
    ASSERT_FALSE(AutorunEntry());
    Options([&](frmOptions& d) {
        EXPECT_TRUE(d.chkStartWithWin->isChecked());
        EXPECT_TRUE(AutorunEntry());
        d.chkStartWithWin->click();
        EXPECT_FALSE(AutorunEntry());
        EXPECT_EQ(modMain::ProgConfig(3), "0");
        d.cmdOk->click();
    });
    EXPECT_EQ(FileLines()[2], "0");
}

TEST_F(OptionsDialog, TrayModeTakesEffectOnSave) {
    SetOption(12, "0");
    Options([&](frmOptions& d) {
        d.chkTrayMode->click();
        EXPECT_TRUE(tray.actions.empty()) << "not before Save Changes";
        d.cmdOk->click();
    });
    EXPECT_EQ(tray.actions, std::vector<std::int32_t>{1});
    EXPECT_EQ(modMain::ProgConfig(12), "1");
    // Saving again with the icon there changes nothing; switching off removes it.
    Options([&](frmOptions& d) { d.cmdOk->click(); });
    Options([&](frmOptions& d) {
        d.chkTrayMode->click();
        d.cmdOk->click();
    });
    EXPECT_EQ(tray.actions, (std::vector<std::int32_t>{1, 2}));
    EXPECT_FALSE(modMain::DoUnloadTIcon);
}

TEST_F(OptionsDialog, ANewFolderIsSavedAtOnceAndCancelPutsOnlyTheMemoryBack) {
    const std::string newFolder = file("Elsewhere");
    std::filesystem::create_directories(newFolder);
    QWidget* pickerOwner = nullptr;
    int pickerShown = 0;
    qtplat::SetFolderChooserForTests([&](const qtplat::FolderRequest& request) -> std::optional<std::string> {
        ++pickerShown;
        pickerOwner = request.owner;
        return newFolder;
    });
    answers = {qtplat::vbNo};
    Options([&](frmOptions& d) {
        d.cmdChangeDBPath->click();
        EXPECT_EQ(pickerShown, 0) << "No to the question";
        d.cmdChangeDBPath->click();
        EXPECT_EQ(pickerShown, 1);
        EXPECT_EQ(pickerOwner, &d) << "the picker belongs to the dialog";
        EXPECT_TRUE(d.isEnabled());
        EXPECT_EQ(d.txtDBPath->text().toStdString(), newFolder + "/");
        EXPECT_EQ(Prompts(), (std::vector<std::string>{"T19", "T19"}));
        EXPECT_EQ(boxes[0].style, qtplat::vbYesNo | qtplat::vbInformation);
        d.cmdCancel->click();
    });
    EXPECT_EQ(modMain::ProgConfig(5), dbFolder);
    EXPECT_EQ(FileLines()[4], newFolder + "/");
}

TEST_F(OptionsDialog, AnOptionsFileThatCannotBeWrittenIsReported) {
    qpmtest::WriteBytes(modMain::ProgCfgPath, "old\r\n");
    SetOption(7, "0");
    Options([&](frmOptions& d) {
        d.chkLoadLUser->click();
        {
            plat::ScopedWriteFaults faults({.refuseRename = true});
            d.cmdOk->click();
        }
        EXPECT_TRUE(d.IsLoaded());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("could not be saved"), std::string::npos) << boxes[0].prompt;
        EXPECT_EQ(qpmtest::ReadBytes(modMain::ProgCfgPath), "old\r\n");
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(FileLines()[6], "1");
    EXPECT_TRUE(shown.empty());
}

TEST_F(OptionsDialog, OptionSixKeepsItOnTop) {
    SetOption(6, "1");
    Options([&](frmOptions& d) {
        EXPECT_TRUE(d.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        d.cmdCancel->click();
    });
}

TEST_F(OptionsDialog, TheLockWhileTheFolderPickerIsOpenLeavesTheOptionsAlone) {
    qtplat::SetFolderChooserForTests([&](const qtplat::FolderRequest&) -> std::optional<std::string> {
        VbDialog::UnloadAllOpen();  // the inactivity lock cancels the picker
        return std::nullopt;
    });
    Options([&](frmOptions& d) {
        d.cmdChangeDBPath->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(modMain::ProgConfig(5), dbFolder);
    EXPECT_TRUE(FileLines().empty());
}

}  // namespace
