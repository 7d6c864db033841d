#include <gtest/gtest.h>

#include <QList>

#include "platform/CodePage.h"
#include "platform/qt/AnsiText.h"

namespace {

class AnsiText : public ::testing::Test {
protected:
    void TearDown() override { plat::SetAnsiCodePageForTests(0); }
};

TEST_F(AnsiText, EveryByteOfEveryCodePageComesBackAsTheSameByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (int page = 1250; page <= 1258; ++page) {
        plat::SetAnsiCodePageForTests(page);
        const QString shown = qtplat::AnsiToQString(all);
        EXPECT_EQ(shown.toUcs4().size(), 256) << page;
        EXPECT_EQ(qtplat::QStringToAnsi(shown), std::optional<std::string>(all)) << page;
    }
}

TEST_F(AnsiText, TheSeparatorAndLettersShowAsTheirCharacters) {
    plat::SetAnsiCodePageForTests(1251);
    EXPECT_EQ(qtplat::AnsiToQString("\x87\xCF\xF0\xE8"), QString::fromUtf8("\u2021\u041F\u0440\u0438"));
    plat::SetAnsiCodePageForTests(1252);
    EXPECT_EQ(qtplat::AnsiToQString("caf\xE9"), QString::fromUtf8("caf\u00E9"));
}

TEST_F(AnsiText, TypedTextOutsideTheCodePageIsRefusedNeverReplaced) {
    plat::SetAnsiCodePageForTests(1252);
    QString failed;
    EXPECT_EQ(qtplat::QStringToAnsi(QString::fromUtf8("pa\u0161\u4E2D\u4E2Dx"), &failed), std::nullopt);
    EXPECT_EQ(failed, QString::fromUtf8("\u4E2D"));
    EXPECT_EQ(qtplat::QStringToAnsi(QString::fromUtf8("pa\u0161")), std::optional<std::string>("pa\x9A"));
    // Only the program's own fixed texts may lose characters.
    plat::SetAnsiCodePageForTests(1252);
    EXPECT_EQ(qtplat::QStringToAnsiLossy(QString::fromUtf8("\u041D\u043E\u0432\u0430\u044F x")), "????? x");
}

TEST_F(AnsiText, PathsKeepTheFileSystemsBytes) {
    const std::string path = "/home/u/\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/db";  // UTF-8 on disk
    const QString shown = qtplat::PathToQString(path);
    EXPECT_EQ(shown, QString::fromUtf8("/home/u/\u041F\u0430\u043F\u043A\u0430/db"));
    EXPECT_EQ(qtplat::QStringToPath(shown), path);
}

}  // namespace
