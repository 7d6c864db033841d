#include "UserDialogTestSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/modMasterPasw.h"
#include "platform/qt/Desktop.h"

namespace dialogtest {

void UserDialogTest::SetUp() {
    DialogTest::SetUp();
    // Logging in and out saves the options.
    modMain::ProgCfgPath = file("config.dat");
    LoadTexts(149, {3,  4,  5,  6,  7,  8,  9,  12, 15,  19,  23,  24,  25,  61,  62,  63,  64,
                    65, 66, 88, 94, 95, 96, 97, 98, 102, 103, 108, 110, 131, 140, 147, 148, 149});
}

std::string UserDialogTest::MakeUser(const std::string& name, const std::string& password) {
    const std::string path = modMain::UserFilePath(name);
    EXPECT_EQ(modMain::AddUser(path, name, trace::Secret(password)), modMain::kUserCreated) << name;
    return path;
}

void UserDialogTest::LogIn(const std::string& name, const std::string& password) {
    ASSERT_FALSE(modMain::FullUserLoad(name, trace::Secret(Md5(password))).has_value()) << name;
    ASSERT_EQ(modMain::CurUser, name);
}

void UserDialogTest::AddRecord(const std::string& title) {
    const std::string id = std::to_string(modMain::CurUsDB->GetTblRecNum(1) + 1);
    coretest::AddRow(*modMain::CurUsDB, {id, "0", "2", title, "login", "secret", "", "1key", "0|0"});
}

void UserDialogTest::ExpectCaptions(const QWidget& dialog,
                                    const std::vector<std::pair<const char*, QString>>& captions) {
    for (const auto& [name, text] : captions) {
        const QString objectName = QString::fromLatin1(name);
        if (auto* label = dialog.findChild<QLabel*>(objectName))
            EXPECT_EQ(label->text(), text) << name;
        else if (auto* button = dialog.findChild<QAbstractButton*>(objectName))
            EXPECT_EQ(button->text(), text) << name;
        else
            ADD_FAILURE() << "no control " << name;
    }
}

void UserDialogTest::ExpectMasked(const QWidget& dialog, const std::vector<const char*>& boxes) {
    for (const char* name : boxes) {
        auto* box = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
        ASSERT_NE(box, nullptr) << name;
        EXPECT_EQ(box->echoMode(), QLineEdit::Password) << name;
    }
}

std::string UserDialogTest::Md5(const std::string& password) {
    return modMain::PaswHash(trace::Secret(password)).str();
}

void UserDialogTest::Type(QLineEdit* box, const QString& text) {
    box->clear();
    box->setFocus();
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x80; }))
        QTest::keyClicks(box, text);
    else
        box->insert(text);
}

void UserDialogTest::Answer(std::deque<int> answers, std::function<void()> during) {
    qtplat::SetMsgBoxForTests([this, answers = std::move(answers), during = std::move(during)](
                                  const std::string& prompt, int style, const std::string& title) mutable {
        boxes.push_back({prompt, style, title});
        if (during) during();
        if (answers.empty()) return static_cast<int>(qtplat::vbOK);
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    });
}

void UserDialogTest::OnNextDialog(std::function<void(VbDialog&)> script) {
    const auto open = VbDialog::OpenDialogs();
    if (open.empty()) {
        ADD_FAILURE() << "no dialog is open to open another";
        return;
    }
    // The opener is the timer's context: a timer that never fired goes with
    // it instead of acting in a later test.
    VbDialog* opener = open.back();
    QTimer::singleShot(0, opener, [script = std::move(script), opener] {
        const auto now = VbDialog::OpenDialogs();
        if (now.empty() || now.back() == opener) {
            ADD_FAILURE() << "no dialog opened on top of " << opener->TraceName();
            return;
        }
        VbDialog& dialog = *now.back();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        script(dialog);
        if (dialog.IsLoaded()) {
            ADD_FAILURE() << dialog.TraceName() << " is still open after the script";
            dialog.Unload();
        }
    });
}

}  // namespace dialogtest
