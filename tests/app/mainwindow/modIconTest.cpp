// The window icon: one shared icon per file, every size the file holds, the
// built-in icon when the file is missing, and where SetIcon puts it.
#include <QApplication>
#include <QWidget>
#include <filesystem>

#include "../trace/TraceFixture.h"
#include "TempDir.h"
#include "app/mainwindow/modIcon.h"

namespace {

class modIconTest : public tracetest::TraceTest {
protected:
    void TearDown() override {
        modIcon::ClearCacheForTests();
        QApplication::setWindowIcon(QIcon());
        tracetest::TraceTest::TearDown();
    }
    std::string IconFile() {
        const std::string path = dir.file("mainicon.ico");
        std::filesystem::copy_file(std::string(QPM_BIN_DIR) + "/mainicon.ico", path);
        return path;
    }
    qpmtest::TempDir dir;
};

TEST_F(modIconTest, OneSharedIconPerFileWithEverySize) {
    const std::string path = IconFile();
    const QIcon first = modIcon::GetIconHandle(path);
    ASSERT_FALSE(first.isNull());
    EXPECT_GE(first.availableSizes().size(), 3);
    EXPECT_TRUE(first.availableSizes().contains(QSize(16, 16)));
    // The same file gives the same icon, even once the file is gone.
    std::filesystem::remove(path);
    EXPECT_EQ(modIcon::GetIconHandle(path).cacheKey(), first.cacheKey());
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(modIconTest, MissingFileGivesTheBuiltInIcon) {
    const QIcon icon = modIcon::GetIconHandle(dir.file("nothing.ico"));
    EXPECT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.availableSizes().isEmpty());
}

TEST_F(modIconTest, SetIconOnTheWindowAndWithTheFlagOnItsTopOwner) {
    const std::string path = IconFile();
    QWidget owner;
    QWidget window(&owner, Qt::Window);
    modIcon::SetIcon(&window, path, false);
    EXPECT_EQ(window.windowIcon().cacheKey(), modIcon::GetIconHandle(path).cacheKey());
    EXPECT_TRUE(owner.windowIcon().cacheKey() != window.windowIcon().cacheKey());
    EXPECT_TRUE(QApplication::windowIcon().isNull());

    modIcon::SetIcon(&window, path, true);
    EXPECT_EQ(owner.windowIcon().cacheKey(), window.windowIcon().cacheKey());
    EXPECT_EQ(QApplication::windowIcon().cacheKey(), window.windowIcon().cacheKey());
}

}  // namespace
