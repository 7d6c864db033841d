// A record in the value box, the column captions and the status counts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TreeTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMainDisplay.h"
#include "app/trace/Trace.h"

namespace {

using treetest::FakeView;
using treetest::Folder;
using treetest::Record;

class Display : public treetest::TreeTest {
protected:
    void Language(const std::string& lines) {
        const std::string path = file("test.lng");
        qpmtest::WriteBytes(path, "20\r\n" + lines);
        modLang::LoadLang(path);
    }
};

TEST_F(Display, ShowsTheVisibleColumnsAsCaptionAndValueInTheirColours) {
    Language("13=Title\r\n14=Login\r\n15=Password\r\n16=Desription\r\n");
    Use({Folder("1", "0", "Mail"), {"2", "1", "2", "Webmail", "", "pw=2", "line 1\r\nline 2", "1key", "0|0"}});
    FakeView view;
    modMain::ShowDataInTextBox(Db(), 2, 1, view);
    ASSERT_EQ(view.box.size(), 8u);
    EXPECT_EQ(view.BoxText(),
              "Title:\r\nWebmail\r\n\r\n"
              "Login:\r\n\r\n\r\n"
              "Password:\r\npw=2\r\n\r\n"
              "Desription:\r\nline 1\r\nline 2\r\n\r\n");
    for (std::size_t i = 0; i < view.box.size(); i += 2) {
        EXPECT_EQ(view.box[i].colour, 0xFF6400);
        EXPECT_EQ(view.box[i].style, kStyleBold);
        EXPECT_EQ(view.box[i + 1].colour, 0);
        EXPECT_EQ(view.box[i + 1].style, 0);
    }
}

TEST_F(Display, CaptionsFallBackToTheColumnNameWhenTheTextIsEmpty) {
    Language("13=\r\n15=Kennwort\r\n");
    EXPECT_EQ(modMain::GetTblTrueCapText("Title"), "Title");
    EXPECT_EQ(modMain::GetTblTrueCapText("Login"), "Login");
    EXPECT_EQ(modMain::GetTblTrueCapText("Password"), "Kennwort");
    EXPECT_EQ(modMain::GetTblTrueCapText("Description"), "Description");
    EXPECT_EQ(modMain::GetTblTrueCapText("password"), "password");
    EXPECT_EQ(modMain::GetTblTrueCapText("Image"), "Image");
}

// Every stack entry pushed while a record is shown hides the record's values.
class StackWatcher : public FakeView {
public:
    void AppendValueText(const std::string& text, std::int32_t colour, std::int32_t styleBits) override {
        FakeView::AppendValueText(text, colour, styleBits);
        for (long i = 1; i <= trace::FStack.UBound(); ++i) stack += trace::FStack(i) + "\n";
    }
    std::string stack;
};

TEST_F(Display, TheRecordsSecretsNeverReachTheCallStack) {
    Use({{"1", "0", "2", "Bank", "my-login", "my-password", "my-note", "1key", "0|0"}});
    StackWatcher view;
    modMain::ShowDataInTextBox(Db(), 1, 1, view);
    EXPECT_NE(view.BoxText().find("my-password"), std::string::npos);
    EXPECT_NE(view.stack.find("AddColoredTxt"), std::string::npos);
    EXPECT_NE(view.stack.find("{Hidden}"), std::string::npos);
    for (const char* secret : {"my-login", "my-password", "my-note"})
        EXPECT_EQ(view.stack.find(secret), std::string::npos) << secret;
}

TEST_F(Display, AColouredPieceKeepsOnlyTheThreeStyleBits) {
    FakeView view;
    modMain::AddColoredTxt(view, "x", 0x123456, 1 | 2 | 4 | 8);
    ASSERT_EQ(view.box.size(), 1u);
    EXPECT_EQ(view.box[0].colour, 0x123456);
    EXPECT_EQ(view.box[0].style, 7);
}

TEST_F(Display, StatusCountsAddTheDirectChildrenOnly) {
    Use({Folder("1", "0", "top"),
         Folder("2", "1", "f1"),
         Record("3", "1", "r1"),
         Folder("4", "1", "f2"),
         Record("5", "2", "grandchild"),
         Record("6", "1", "r2"),
         Record("7", "1", "r3"),
         Record("8", "0", "loose"),
         {"9", "1", "", "no type", "", "", "", "1key", "0|0"}});
    std::int32_t folders = 10, records = 20;
    modMain::GetStatBarData(Db(), "1", folders, records);
    EXPECT_EQ(folders, 13);  // two folders and the row without a type
    EXPECT_EQ(records, 23);
    folders = records = 0;
    modMain::GetStatBarData(Db(), "0", folders, records);
    EXPECT_EQ(folders, 1);
    EXPECT_EQ(records, 1);
    folders = records = 0;
    modMain::GetStatBarData(Db(), "3", folders, records);
    EXPECT_EQ(folders + records, 0);
}

}  // namespace
