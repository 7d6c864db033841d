// The common dialog ground: keys, the two ways of closing, the registry of
// open dialogs and the lock's pass over them, always on top, and the refusal
// of text the code page cannot hold.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <memory>

#include "DialogTestSupport.h"
#include "app/dialogs/VbDialog.h"
#include "platform/CodePage.h"

namespace {

using dialogtest::DialogTest;

// A dialog of the tests: a text box, a check box and two buttons; Esc runs
// Cancel when `escCancels`. Every event goes to `log` with the form's name.
class TestDialog : public VbDialog {
public:
    explicit TestDialog(std::vector<std::string>& log, const char* name = "frmTest", bool escCancels = true)
        : VbDialog(name, Owner::None), name_(name), log_(log), escCancels_(escCancels) {
        txtText = Control<QLineEdit>("txtText");
        chkBox = Control<QCheckBox>("chkBox");
        cmdOk = Control<QPushButton>("cmdOk");
        cmdCancel = Control<QPushButton>("cmdCancel");
        txtText->move(10, 10);
        chkBox->move(10, 40);
        cmdOk->move(10, 70);
        cmdCancel->move(100, 70);
        connect(cmdOk, &QPushButton::clicked, this, [this] { Log("Ok"); });
        connect(cmdCancel, &QPushButton::clicked, this, [this] { Cancel(); });
        OnKeyDown(txtText, [this](int& KeyCode, int) { Log("txtText_KeyDown " + std::to_string(KeyCode)); });
    }

    void ShowFormLang() override {
        SetTitle(108);
        SetCaption(cmdOk, 25);
        SetCaption(cmdCancel, 24);
    }
    void Cancel() {
        Log("Cancel");
        Unload();
    }

    using VbDialog::EnteredSecret;
    using VbDialog::EnteredText;

    QLineEdit* txtText;
    QCheckBox* chkBox;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
    int keyPreviews = 0;
    int cancelUnload = 0;
    std::function<void()> onLoad;

protected:
    void Form_Load() override {
        Log("Load");
        ShowFormLang();
        if (onLoad) onLoad();
    }
    void Form_Activate() override { ApplyAlwaysOnTop(); }
    void Form_KeyDown(int& KeyCode, int) override {
        ++keyPreviews;
        if (escCancels_ && KeyCode == 27) Cancel();
    }
    void Form_QueryUnload(int& Cancel, int UnloadMode) override {
        Log("QueryUnload " + std::to_string(UnloadMode));
        Cancel = cancelUnload;
    }
    void Form_Unload(int& Cancel) override {
        Log("Unload");
        VbDialog::Form_Unload(Cancel);
    }

private:
    void Log(const std::string& what) { log_.push_back(std::string(name_) + " " + what); }

    const char* name_;
    std::vector<std::string>& log_;
    bool escCancels_;
};

class VbDialogTest : public DialogTest {
protected:
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(VbDialogTest, EscRunsTheFormsOwnActionOnlyAndEnterClicksOnlyAFocusedButton) {
    struct Case {
        const char* control;
        Qt::Key key;
        bool escCancels;
        Log expected;  // after "frmTest Load"
        bool staysOpen;
    };
    const Case cases[] = {
        {"txtText", Qt::Key_Escape, true, {"frmTest Cancel", "frmTest QueryUnload 1", "frmTest Unload"}, false},
        {"chkBox", Qt::Key_Escape, true, {"frmTest Cancel", "frmTest QueryUnload 1", "frmTest Unload"}, false},
        {"cmdOk", Qt::Key_Escape, true, {"frmTest Cancel", "frmTest QueryUnload 1", "frmTest Unload"}, false},
        {"txtText", Qt::Key_Escape, false, {"frmTest txtText_KeyDown 27"}, true},
        {"cmdOk", Qt::Key_Escape, false, {}, true},
        {"txtText", Qt::Key_Return, true, {"frmTest txtText_KeyDown 13"}, true},
        {"chkBox", Qt::Key_Return, true, {}, true},
        {"cmdOk", Qt::Key_Return, true, {"frmTest Ok"}, true},
        {"cmdOk", Qt::Key_Enter, true, {"frmTest Ok"}, true},
        {"cmdCancel", Qt::Key_Return, false, {"frmTest Cancel", "frmTest QueryUnload 1", "frmTest Unload"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " key " + std::to_string(c.key) + (c.escCancels ? " esc" : ""));
        log.clear();
        TestDialog dialog(log, "frmTest", c.escCancels);
        bool openAfterKey = false;
        bool checked = false;
        RunModal(dialog, [&] {
            auto* control = dialog.findChild<QWidget*>(QString::fromLatin1(c.control));
            ASSERT_NE(control, nullptr);
            control->setFocus();
            QTest::keyClick(control, c.key);
            openAfterKey = dialog.IsLoaded();
            checked = dialog.chkBox->isChecked();
            if (dialog.IsLoaded()) dialog.Unload();
        });
        EXPECT_EQ(openAfterKey, c.staysOpen);
        EXPECT_FALSE(checked);
        EXPECT_EQ(dialog.keyPreviews, 1) << "the preview runs once per key";
        Log expected{"frmTest Load"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        if (c.staysOpen) expected.insert(expected.end(), {"frmTest QueryUnload 1", "frmTest Unload"});
        EXPECT_EQ(log, expected);
    }
}

TEST_F(VbDialogTest, TheCloseBoxAndTheProgramUnloadWithTheirModes) {
    TestDialog box(log);
    RunModal(box, [&] { box.close(); });
    EXPECT_EQ(log, (Log{"frmTest Load", "frmTest QueryUnload 0", "frmTest Unload"}));

    // Whatever closes the window from code is an unload by the program, and
    // a handler can keep the dialog.
    for (const char* how : {"accept", "reject", "done"}) {
        SCOPED_TRACE(how);
        log.clear();
        TestDialog dialog(log);
        RunModal(dialog, [&] {
            dialog.cancelUnload = 1;
            dialog.close();
            EXPECT_TRUE(dialog.IsLoaded());
            EXPECT_TRUE(dialog.isVisible());
            dialog.cancelUnload = 0;
            if (std::string(how) == "accept") dialog.accept();
            if (std::string(how) == "reject") dialog.reject();
            if (std::string(how) == "done") dialog.done(5);
        });
        EXPECT_EQ(log, (Log{"frmTest Load", "frmTest QueryUnload 0", "frmTest QueryUnload 1", "frmTest Unload"}));
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST_F(VbDialogTest, AFormIsNeverOpenTwiceAndTheRegistryKeepsTheLoadOrder) {
    TestDialog outer(log, "frmOuter");
    RunModal(outer, [&] {
        TestDialog again(log, "frmOuter");
        EXPECT_FALSE(again.ShowModal());
        EXPECT_FALSE(again.IsLoaded());

        TestDialog inner(log, "frmInner");
        RunModal(inner, [&] {
            EXPECT_EQ(VbDialog::OpenDialogs(), (std::vector<VbDialog*>{&outer, &inner}));
            EXPECT_EQ(QApplication::activeModalWidget(), &inner);
            inner.Unload();
        });
        EXPECT_EQ(VbDialog::OpenDialogs(), (std::vector<VbDialog*>{&outer}));
        outer.Unload();
    });
    EXPECT_TRUE(VbDialog::OpenDialogs().empty());
    EXPECT_EQ(log, (Log{"frmOuter Load", "frmInner Load", "frmInner QueryUnload 1", "frmInner Unload",
                        "frmOuter QueryUnload 1", "frmOuter Unload"}));
}

TEST_F(VbDialogTest, TheLockClosesEverythingFromTheInnermostOut) {
    TestDialog outer(log, "frmOuter");
    bool innerWasShown = false;
    RunModal(outer, [&] {
        TestDialog inner(log, "frmInner");
        RunModal(inner, [&] {
            innerWasShown = true;
            QMessageBox box(&inner);
            box.setText(QStringLiteral("a question"));
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            QObject::connect(&box, &QDialog::finished, [&] { log.push_back("box closed"); });
            QTimer::singleShot(0, [] { VbDialog::UnloadAllOpen(); });
            box.exec();
            log.push_back("box returned");
        });
        // Back in the outer dialog's handler after the inner one went: the
        // outer one is already unloaded.
        EXPECT_FALSE(outer.IsLoaded());
    });
    EXPECT_TRUE(innerWasShown);
    EXPECT_EQ(log, (Log{"frmOuter Load", "frmInner Load", "box closed", "frmInner QueryUnload 1", "frmInner Unload",
                        "frmOuter QueryUnload 1", "frmOuter Unload", "box returned"}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(VbDialogTest, AWindowHiddenFromOutsideIsUnloadedWhenItsLoopEnds) {
    TestDialog dialog(log);
    QTimer::singleShot(0, &dialog, [&] { dialog.hide(); });
    EXPECT_TRUE(dialog.ShowModal());
    EXPECT_FALSE(dialog.IsLoaded());
    EXPECT_EQ(log, (Log{"frmTest Load", "frmTest QueryUnload 1", "frmTest Unload"}));
}

TEST_F(VbDialogTest, TheLockUnloadsADialogStillInItsLoadStep) {
    TestDialog dialog(log);
    dialog.onLoad = [&] {
        QMessageBox box;
        box.setText(QStringLiteral("a message of the load step"));
        QTimer::singleShot(0, [] { VbDialog::UnloadAllOpen(); });
        box.exec();
    };
    EXPECT_TRUE(dialog.ShowModal());
    EXPECT_FALSE(dialog.IsLoaded());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(log, (Log{"frmTest Load", "frmTest QueryUnload 1", "frmTest Unload"}));
}

TEST_F(VbDialogTest, OptionSixPutsTheDialogOnTopAndNothingLowersIt) {
    const std::pair<const char*, bool> cases[] = {
        {"True", true},   {"true", true}, {"1", true},           {"-1", true},
        {"False", false}, {"0", false},   {"not a flag", false}, {"", false},
    };
    for (const auto& [option, onTop] : cases) {
        SCOPED_TRACE(option);
        SetOption(6, option);
        TestDialog dialog(log);
        bool flagged = false;
        bool stillFlagged = false;
        RunModal(dialog, [&] {
            flagged = dialog.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
            SetOption(6, "False");
            TestDialog other(log, "frmOther");
            RunModal(other, [&] { other.Unload(); });  // the dialog becomes active again
            stillFlagged = dialog.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
            dialog.Unload();
        });
        EXPECT_EQ(flagged, onTop);
        EXPECT_EQ(stillFlagged, onTop);
    }
    // A damaged option counts as False and says so in the debug log.
    const auto messages = LogMessages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Option 6 is no Boolean: \"not a flag\""), messages.end());
}

TEST_F(VbDialogTest, TextOutsideTheCodePageIsRefusedWithAMessage) {
    plat::SetAnsiCodePageForTests(1252);
    TestDialog dialog(log);

    EXPECT_EQ(dialog.EnteredText(QString::fromUtf8("caf\u00e9 \u20ac 5"), "title"),
              std::optional<std::string>("caf\xE9 \x80 5"));
    EXPECT_TRUE(boxes.empty());

    EXPECT_EQ(dialog.EnteredText(QString::fromUtf8("\u041c\u0438\u0440 \u041c"), "title"), std::nullopt);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].style, 16);
    EXPECT_NE(boxes[0].prompt.find("code page 1252"), std::string::npos) << boxes[0].prompt;
    EXPECT_NE(boxes[0].prompt.find("U+041C U+0438 U+0440."), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(boxes[0].prompt.rfind("The title holds characters", 0), 0u) << boxes[0].prompt;

    // A password's characters are never shown.
    EXPECT_FALSE(dialog.EnteredSecret(QString::fromUtf8("\u043f\u0430\u0440\u043e\u043b\u044c"), "login"));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].prompt.find("U+"), std::string::npos) << boxes[1].prompt;
    EXPECT_EQ(boxes[1].prompt.rfind("The login holds characters", 0), 0u) << boxes[1].prompt;

    // The same word is text in the Cyrillic code page.
    plat::SetAnsiCodePageForTests(1251);
    const auto secret = dialog.EnteredSecret(QString::fromUtf8("\u043f\u0430\u0440\u043e\u043b\u044c"), "login");
    ASSERT_TRUE(secret);
    EXPECT_EQ(secret->str(), "\xEF\xE0\xF0\xEE\xEB\xFC");
    plat::SetAnsiCodePageForTests(0);
}

}  // namespace
