#include "DialogTestSupport.h"

#include <QTest>
#include <QTimer>
#include <filesystem>

#include "CoreTestSupport.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/dialogs/VbDialog.h"
#include "app/trace/Trace.h"
#include "platform/qt/Desktop.h"

namespace dialogtest {

std::string LanguageText(int count, const std::vector<int>& numbers) {
    std::string text = std::to_string(count) + "\r\n# texts of the dialog tests\r\n";
    for (int n : numbers) text += std::to_string(n) + "=T" + std::to_string(n) + "\r\n";
    return text;
}

void DialogTest::SetUp() {
    coretest::UseBuiltLibrary();
    trace::ResetStack();
    trace::ResetReportingForTests();
    modMain::SetAppPathForTests(dir.path().string());
    dbFolder = dir.file("DataBases") + "/";
    std::filesystem::create_directory(dbFolder);
    modMain::ProgConfig.ReDim(1, 20);
    SetOption(5, dbFolder);
    SetOption(6, "False");
    modMain::FrmPaswResult = 0;
    modMain::FrmPaswEnetered.clear();
    modMain::FrmPaswShown = false;
    qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
        boxes.push_back({prompt, style, title});
        return static_cast<int>(qtplat::vbOK);
    });
    LoadTexts(149, {9, 15, 24, 25, 64, 88, 108, 131, 149});
}

void DialogTest::TearDown() {
    EXPECT_TRUE(VbDialog::OpenDialogs().empty());
    qtplat::SetMsgBoxForTests(nullptr);
    modMain::SetAppPathForTests("");
    trace::ResetStack();
}

void DialogTest::LoadTexts(int count, const std::vector<int>& numbers) {
    const std::string file = dir.file("Test.lng");
    qpmtest::WriteBytes(file, LanguageText(count, numbers));
    modLang::LoadLang(file);
}

void DialogTest::SetOption(long n, const std::string& value) { modMain::ProgConfig(n) = value; }

void DialogTest::RunModal(VbDialog& dialog, const std::function<void()>& script) {
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        script();
        ran = true;
        if (dialog.IsLoaded()) {
            ADD_FAILURE() << "the dialog is still open after the script";
            dialog.Unload();
        }
    });
    EXPECT_TRUE(dialog.ShowModal());
    EXPECT_TRUE(ran);
}

std::vector<std::string> DialogTest::Prompts() const {
    std::vector<std::string> prompts;
    for (const ShownBox& box : boxes) prompts.push_back(box.prompt);
    return prompts;
}

}  // namespace dialogtest
