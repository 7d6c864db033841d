#include "DialogTestSupport.h"

#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "app/core/clsDataFilesManager.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/dialogs/VbDialog.h"

namespace dialogtest {

std::string LanguageText(int count, const std::vector<int>& numbers) {
    std::string text = std::to_string(count) + "\r\n# texts of the dialog tests\r\n";
    for (int n : numbers) text += std::to_string(n) + "=T" + std::to_string(n) + "\r\n";
    return text;
}

void DialogTest::SetUp() {
    coretest::LibraryTest::SetUp();
    dbFolder = file("DataBases") + "/";
    std::filesystem::create_directories(dbFolder);
    SetOptions(coretest::DefaultOptions());
    SetOption(5, dbFolder);
    SetOption(6, "False");
    modMain::MDFM = std::make_shared<clsDataFilesManager>();
    LoadTexts(149, {9, 15, 24, 25, 64, 88, 108, 131, 149});
}

void DialogTest::TearDown() {
    EXPECT_TRUE(VbDialog::OpenDialogs().empty());
    coretest::LibraryTest::TearDown();
}

void DialogTest::LoadTexts(int count, const std::vector<int>& numbers) {
    const std::string lng = file("Test.lng");
    qpmtest::WriteBytes(lng, LanguageText(count, numbers));
    modLang::LoadLang(lng);
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
    for (const Box& box : boxes) prompts.push_back(box.prompt);
    return prompts;
}

}  // namespace dialogtest
