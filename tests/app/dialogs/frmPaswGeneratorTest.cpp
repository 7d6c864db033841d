// The password generator: its options in memory, the length box that takes
// digits only, the generated password in the box, in LastGenPasw and on the
// clipboard, and what OK and Cancel hand back.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "RecordDialogsTestSupport.h"
#include "app/core/modMain.h"
#include "app/dialogs/frmPaswGenerator.h"

namespace {

using recordtest::RecordDialogTest;

class GeneratorDialog : public RecordDialogTest {
protected:
    void SetUp() override {
        RecordDialogTest::SetUp();
        QApplication::clipboard()->setText(QStringLiteral("sentinel"));
    }

    void Run(const std::function<void(frmPaswGenerator&)>& script) {
        frmPaswGenerator dialog(VbDialog::Owner::MainWindow);
        RunModal(dialog, [&] { script(dialog); });
    }

    static void TypeLength(frmPaswGenerator& d, const QString& text) {
        d.txtPaswLenght->selectAll();
        QTest::keyClick(d.txtPaswLenght, Qt::Key_Backspace);
        QTest::keyClicks(d.txtPaswLenght, text);
    }

    static QString Clipboard() { return QApplication::clipboard()->text(); }

    static bool AllFromTheAlphabet(const std::string& text) {
        for (char c : text)
            if (!std::isalnum(static_cast<unsigned char>(c))) return false;
        return true;
    }
};

TEST_F(GeneratorDialog, ControlsCarryTheirNamesAndTheirTextsFromTheLanguageFile) {
    frmPaswGenerator dialog(VbDialog::Owner::None);
    EXPECT_EQ(dialog.windowTitle(), "Password Generator");
    EXPECT_EQ(dialog.lblLengthCap->text(), "Lenght:");
    EXPECT_EQ(dialog.txtPaswLenght->text(), "12");
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "T109");
        ExpectCaptions(dialog, {{"lblLengthCap", "T89"},
                                {"lblNote", "T90"},
                                {"lblPaswCap", "T93"},
                                {"chkClipCopy", "T91"},
                                {"cmdGenerate", "T92"},
                                {"cmdOk", "T25"},
                                {"cmdCancel", "T24"}});
        auto* password = dialog.findChild<QLineEdit*>("txtPasw");
        ASSERT_NE(password, nullptr);
        EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
        dialog.cmdCancel->click();
    });
}

TEST_F(GeneratorDialog, TheLengthAndTheClipboardChoiceLiveInTheOptions) {
    const struct {
        const char* length;
        const char* clip;
        bool ticked;
        const char* clipStored;
    } cases[] = {{"8", "1", true, "1"}, {"20", "0", false, "0"}, {"", "True", false, "0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.length) + "/" + c.clip);
        SetOption(15, c.length);
        SetOption(10, c.clip);
        Run([&](frmPaswGenerator& d) {
            EXPECT_EQ(d.txtPaswLenght->text(), c.length);
            EXPECT_EQ(d.chkClipCopy->isChecked(), c.ticked);
            EXPECT_EQ(modMain::ProgConfig(10), c.clipStored);
            d.cmdCancel->click();
        });
    }
    // Changes reach the options at once, and the next showing shows them,
    // however the dialog was closed.
    Run([&](frmPaswGenerator& d) {
        TypeLength(d, "16");
        EXPECT_EQ(modMain::ProgConfig(15), "16");
        d.chkClipCopy->click();
        EXPECT_EQ(modMain::ProgConfig(10), "1");
        d.close();
    });
    Run([&](frmPaswGenerator& d) {
        EXPECT_EQ(d.txtPaswLenght->text(), "16");
        EXPECT_TRUE(d.chkClipCopy->isChecked());
        d.chkClipCopy->click();
        EXPECT_EQ(modMain::ProgConfig(10), "0");
        d.cmdCancel->click();
    });
}

TEST_F(GeneratorDialog, TheLengthBoxTakesDigitsOnlyAndAtMostTwo) {
    Run([&](frmPaswGenerator& d) {
        const std::pair<const char*, const char*> typing[] = {{"a", ""},   {".", ""},   {"%", ""},     {" ", ""},
                                                              {"-5", "5"}, {"7x", "7"}, {"123", "12"}, {"0", "0"}};
        for (const auto& [typed, shown] : typing) {
            TypeLength(d, QString::fromLatin1(typed));
            EXPECT_EQ(d.txtPaswLenght->text(), shown) << typed;
        }
        // Backspace, Delete and the arrows edit as usual.
        TypeLength(d, "34");
        QTest::keyClick(d.txtPaswLenght, Qt::Key_Left);
        QTest::keyClick(d.txtPaswLenght, Qt::Key_Delete);
        EXPECT_EQ(d.txtPaswLenght->text(), "3");
        QTest::keyClick(d.txtPaswLenght, Qt::Key_Home);
        QTest::keyClick(d.txtPaswLenght, Qt::Key_9);
        EXPECT_EQ(d.txtPaswLenght->text(), "93");
        QTest::keyClick(d.txtPaswLenght, Qt::Key_End);
        QTest::keyClick(d.txtPaswLenght, Qt::Key_Backspace);
        EXPECT_EQ(d.txtPaswLenght->text(), "9");
        EXPECT_EQ(modMain::ProgConfig(15), "9");
        // Pasting obeys the same rule as typing.
        QApplication::clipboard()->setText(QStringLiteral("x4"));
        d.txtPaswLenght->clear();
        d.txtPaswLenght->paste();
        EXPECT_EQ(d.txtPaswLenght->text(), "");
        d.cmdCancel->click();
    });
}

TEST_F(GeneratorDialog, GenerateShowsThePasswordHandsItBackAndCopiesItAtOnce) {
    SetOption(15, "12");
    SetOption(10, "1");
    Run([&](frmPaswGenerator& d) {
        d.cmdGenerate->click();
        const std::string first = modMain::LastGenPasw.str();
        EXPECT_EQ(first.size(), 12u);
        EXPECT_TRUE(AllFromTheAlphabet(first)) << first;
        EXPECT_EQ(d.txtPasw->text().toStdString(), first);
        EXPECT_EQ(Clipboard().toStdString(), first);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));

        TypeLength(d, "3");
        d.cmdGenerate->click();
        EXPECT_EQ(modMain::LastGenPasw.size(), 3u);
        EXPECT_NE(modMain::LastGenPasw.str(), first);
        EXPECT_EQ(Clipboard().toStdString(), modMain::LastGenPasw.str());
        d.cmdCancel->click();
    });
    EXPECT_EQ(modMain::LastGenPasw.size(), 3u) << "Cancel keeps what Generate handed back";
}

TEST_F(GeneratorDialog, AnEmptyOrZeroLengthGeneratesNothing) {
    SetOption(10, "1");
    modMain::LastGenPasw = trace::Secret("earlier");
    Run([&](frmPaswGenerator& d) {
        for (const char* length : {"", "0", "00"}) {
            TypeLength(d, length);
            d.cmdGenerate->click();
            EXPECT_TRUE(d.txtPasw->text().isEmpty()) << length;
        }
        d.cmdOk->click();
    });
    EXPECT_EQ(modMain::LastGenPasw.str(), "earlier");
    EXPECT_EQ(Clipboard(), "sentinel");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(GeneratorDialog, OkCopiesWhatTheBoxShowsButHandsBackOnlyTheGeneratedPassword) {
    SetOption(10, "0");
    Run([&](frmPaswGenerator& d) {
        d.cmdGenerate->click();
        EXPECT_EQ(Clipboard(), "sentinel") << "not ticked: nothing copied";
        d.chkClipCopy->click();
        d.txtPasw->setFocus();
        QTest::keyClicks(d.txtPasw, "!");
        d.cmdOk->click();
    });
    const std::string generated = modMain::LastGenPasw.str();
    EXPECT_EQ(generated.size(), 12u);
    EXPECT_EQ(Clipboard().toStdString(), generated + "!");

    // Unticked, OK copies nothing.
    QApplication::clipboard()->setText(QStringLiteral("sentinel"));
    Run([&](frmPaswGenerator& d) {
        d.chkClipCopy->click();
        d.txtPasw->setText("typed");
        d.cmdOk->click();
    });
    EXPECT_EQ(Clipboard(), "sentinel");
    EXPECT_EQ(modMain::LastGenPasw.str(), generated);
}

TEST_F(GeneratorDialog, EscIsCancelFromEveryControl) {
    for (const char* control : {"txtPaswLenght", "txtPasw", "chkClipCopy", "cmdGenerate"}) {
        SCOPED_TRACE(control);
        Run([&](frmPaswGenerator& d) {
            d.cmdGenerate->click();
            auto* widget = d.findChild<QWidget*>(control);
            widget->setFocus();
            QTest::keyClick(widget, Qt::Key_Escape);
            EXPECT_FALSE(d.IsLoaded());
        });
        EXPECT_EQ(modMain::LastGenPasw.size(), 12u);
    }
}

TEST_F(GeneratorDialog, StaysOnTopWhileTheOptionSaysSo) {
    for (const char* onTop : {"True", "False"}) {
        SetOption(6, onTop);
        Run([&](frmPaswGenerator& d) {
            EXPECT_EQ((d.windowHandle()->flags() & Qt::WindowStaysOnTopHint) != 0, std::string(onTop) == "True");
            d.cmdCancel->click();
        });
    }
}

}  // namespace
