// Saves that fail while the program runs (the save command, the automatic
// backup, the options at login, the lock): the program goes on with the
// edits in memory, the files on disk stay byte for byte as they were, and
// the user is told with a message, never the error window.
#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QTreeWidgetItem>
#include <deque>
#include <filesystem>

#include "CoreTestSupport.h"
#include "SaveFaultFixture.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "platform/qt/Desktop.h"

namespace guitest {
namespace {

namespace fs = std::filesystem;
using qpmtest::ReadBytes;

// No staging file of a failed save or backup is left beside the files.
void ExpectNoLeftovers(const std::string& folder) {
    if (!fs::exists(folder)) return;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name.find('~') == std::string::npos && name.find(".pending") == std::string::npos &&
                    name.find(".filler") == std::string::npos)
            << "left over: " << e.path();
    }
}

TEST_P(SaveFaultTest, TheSaveCommandTellsThatNothingWasSaved) {
    StartSelected();
    SetRowField(9, "Title", "Changed, not saved yet");
    const std::string before = ReadBytes(UserFile());
    boxes.clear();
    UnderFault([&] { w->mnuFileSaveDB_Click(); });
    EXPECT_EQ(ReadBytes(UserFile()), before);
    ExpectNoLeftovers(databases);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("could not be saved"), std::string::npos) << boxes[0].prompt;
    EXPECT_NE(boxes[0].prompt.find("as it was"), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(boxes[0].style, qtplat::vbExclamation);
    EXPECT_EQ(RowField(9, "Title"), "Changed, not saved yet");
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ended, 0);

    // With room again the same command saves and says so.
    boxes.clear();
    w->mnuFileSaveDB_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "T21");
    EXPECT_EQ(OnDisk(9, "Title"), "Changed, not saved yet");
}

TEST_P(SaveFaultTest, AFailedAutoBackupIsToldOnceAndTriedAgainTheNextHour) {
    StartSelected();
    SetRowField(9, "Title", "Changed before the backup");
    const std::string before = ReadBytes(UserFile());
    const std::string firstCopy = databases + "/Backup/" + kUser + "_1.vdb.BACKUP";
    boxes.clear();
    UnderFault([&] {
        // The first counted minute backs up, and the hour after it again.
        for (int tick = 1; tick <= 61; ++tick) w->tmrAutobackup_Timer();
        EXPECT_EQ(ReadBytes(UserFile()), before);
    });
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ended, 0);
    EXPECT_FALSE(fs::exists(firstCopy));
    ExpectNoLeftovers(databases);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("automatic backup could not be made"), std::string::npos) << boxes[0].prompt;
    EXPECT_NE(boxes[0].prompt.find("could not be saved either"), std::string::npos) << boxes[0].prompt;
    std::size_t failures = 0;
    for (const std::string& line : LogMessages()) failures += line.starts_with("AUTOBACKUP failed:");
    EXPECT_EQ(failures, 2u);
    EXPECT_EQ(RowField(9, "Title"), "Changed before the backup");

    // The next hour, with room again, the database is saved and copied.
    for (int tick = 62; tick <= 121; ++tick) w->tmrAutobackup_Timer();
    EXPECT_TRUE(fs::exists(firstCopy));
    EXPECT_EQ(OnDisk(9, "Title"), "Changed before the backup");
    EXPECT_EQ(ReadBytes(firstCopy), ReadBytes(UserFile()));
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_P(SaveFaultTest, ALoginWhoseOptionsCannotBeSavedOpensTheDatabase) {
    modMain::ProgConfig(4) = kUser;
    modMain::ProgConfig(7) = "1";
    modMain::SaveConfig(modMain::ProgCfgPath);
    const std::string options = ReadBytes(modMain::ProgCfgPath);
    boxes.clear();
    // The login reads the user file through a private temporary file: only
    // the options file may fail here.
    UnderFault([&] { Start(kPassword); }, Writes::OptionsOnly);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(modMain::CurUser, kUser);
    EXPECT_NE(modMain::CurUsDB->TabNum(), 0);
    EXPECT_NE(w->trvDatabase->Find("9key"), nullptr);
    EXPECT_EQ(ReadBytes(modMain::ProgCfgPath), options);
    ExpectNoLeftovers(databases);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("options could not be saved"), std::string::npos) << boxes[0].prompt;

    // A log-out that fails the same way is not told a second time.
    UnderFault([&] { modMain::UnloadUser(); }, Writes::OptionsOnly);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(ReadBytes(modMain::ProgCfgPath), options);
}

// Message boxes of the fakes run an event loop of their own as real ones
// do: the window paints and runs what it queued meanwhile. The password
// prompt answers from a list: a password, or "" for Cancel.
class UnlockTest : public SaveFaultTest {
protected:
    void SetUp() override {
        SaveFaultTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
            boxes.push_back({prompt, style, title});
            // Only the outermost box spins: a window that asks again inside
            // its own boxes would otherwise never end.
            if (w && !spinning) {
                spinning = true;
                w->repaint();
                for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
                spinning = false;
            }
            return 1;
        });
        frmMain::ShowForm = [this](frmMain&, const std::string& form, const std::string& input) {
            forms.push_back({form, input});
            if (form != "frmPassword") return;
            std::string given = passwordToGive;
            if (!passwords.empty()) {
                given = passwords.front();
                passwords.pop_front();
            }
            if (given.empty()) return;  // cancelled: the prompt's result stays 3
            modMain::FrmPaswResult = 1;
            modMain::FrmPaswEnetered = Md5Text(given);
        };
    }
    std::deque<std::string> passwords;
    bool spinning = false;
};

TEST_P(UnlockTest, AfterAFailedLockSaveOnePromptAndTheChangesAreNeverDropped) {
    StartSelected();
    SetRowField(5, "Password", "New-Router-Pass");
    const std::string before = ReadBytes(UserFile());
    UnderFault([&] {
        IdleAndTick();
        ASSERT_TRUE(Locked());
        EXPECT_EQ(ReadBytes(UserFile()), before);
        EXPECT_NE(modMain::CurUsDB->TabNum(), 0);

        // Cancelled while the changes still cannot be saved: it stays
        // locked with them, and nothing asks again meanwhile.
        forms.clear();
        boxes.clear();
        passwords = {"", "", ""};
        w->showNormal();
        w->Form_Paint();
        EXPECT_EQ(Prompts(), 1u);
        EXPECT_TRUE(w->IsProtected);
        EXPECT_EQ(modMain::CurUser, kUser);
        EXPECT_EQ(RowField(5, "Password"), "New-Router-Pass");
        EXPECT_EQ(BoxesWith("stays locked"), 1u);

        // The right password: one prompt, the changes shown again, and the
        // user told they are not saved yet.
        forms.clear();
        boxes.clear();
        passwords = {kPassword, "", ""};
        w->showNormal();
        w->Form_Paint();
        EXPECT_EQ(Prompts(), 1u);
        EXPECT_FALSE(w->IsProtected);
        EXPECT_EQ(modMain::CurUser, kUser);
        EXPECT_EQ(RowField(5, "Password"), "New-Router-Pass");
        EXPECT_NE(w->trvDatabase->Find("5key"), nullptr);
        EXPECT_EQ(BoxesWith("could not be saved when the program locked itself"), 1u);
        EXPECT_EQ(ReadBytes(UserFile()), before);
    });
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ended, 0);
    ExpectNoLeftovers(databases);
    // With room again the changes reach the file.
    w->mnuFileSaveDB_Click();
    EXPECT_EQ(OnDisk(5, "Password"), "New-Router-Pass");
}

INSTANTIATE_TEST_SUITE_P(Faults, SaveFaultTest, ::testing::Values(FaultKind::FullDisk, FaultKind::WriteSeam),
                         FaultName);
INSTANTIATE_TEST_SUITE_P(Faults, UnlockTest, ::testing::Values(FaultKind::FullDisk, FaultKind::WriteSeam), FaultName);

}  // namespace
}  // namespace guitest
