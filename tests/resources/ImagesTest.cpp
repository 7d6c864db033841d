#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdlib>

#include "resources/icons/QpmImages.h"

namespace {

QStringList TreeKeys() {
    QStringList keys;
    for (int i = 1; i <= 43; ++i) keys << QString("%1key").arg(i);
    keys << "DBIcon";
    return keys;
}

const QStringList kToolbarKeys = {"btnAddUser", "btnDelUser", "btnSelectUser", "btnAddFolder", "btnDelFolder",
                                  "btnAddRec",  "btnDelRec",  "btnFind",       "icnFolder"};

class Images : public ::testing::Test {
protected:
    static void SetUpTestSuite() { qpmimages::InitImages(); }
};

QImage Load(const QString& path) { return QImage(path).convertToFormat(QImage::Format_ARGB32); }

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

// Pixels whose colour or opacity differs clearly between two pictures.
int DifferentPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int delta = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                        std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            count += delta > 48;
        }
    }
    return count;
}

void ExpectPicture(const QString& group, const QString& key) {
    const QImage small = Load(":/" + group + "/" + key + ".png");
    ASSERT_FALSE(small.isNull()) << key.toStdString();
    EXPECT_EQ(small.size(), QSize(16, 16)) << key.toStdString();
    EXPECT_GE(OpaquePixels(small), 30) << key.toStdString() << " is almost empty";
    const QImage large = Load(":/" + group + "/" + key + "@2x.png");
    ASSERT_FALSE(large.isNull()) << key.toStdString();
    EXPECT_EQ(large.size(), QSize(32, 32)) << key.toStdString();
}

TEST_F(Images, EveryTreeAndToolbarKeyHasA16PixelPictureAndA32PixelOne) {
    for (const QString& key : TreeKeys()) ExpectPicture("tree", key);
    for (const QString& key : kToolbarKeys) ExpectPicture("toolbar", key);
}

TEST_F(Images, TreePicturesAreClearlyDifferentFromEachOther) {
    const QStringList keys = TreeKeys();
    QList<QImage> images;
    for (const QString& key : keys) images << Load(":/tree/" + key + ".png");
    for (qsizetype i = 0; i < images.size(); ++i) {
        for (qsizetype j = i + 1; j < images.size(); ++j) {
            EXPECT_NE(images[i], images[j]) << keys[i].toStdString() << " and " << keys[j].toStdString();
            EXPECT_GE(DifferentPixels(images[i], images[j]), 12)
                << keys[i].toStdString() << " and " << keys[j].toStdString() << " look alike";
        }
    }
}

TEST_F(Images, UnknownKeysHaveNoPicture) {
    EXPECT_TRUE(QImage(":/tree/0key.png").isNull());
    EXPECT_TRUE(QImage(":/tree/44key.png").isNull());
    EXPECT_TRUE(QImage(":/toolbar/btnRename.png").isNull());
}

// The icon file must offer every size the platform asks for, with a real
// transparent background (rounded corners) and an opaque middle.
void ExpectIconFile(const QString& path) {
    QImageReader reader(path);
    ASSERT_TRUE(reader.canRead()) << path.toStdString() << ": " << reader.errorString().toStdString();
    QSet<int> sizes;
    const int count = reader.imageCount();
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(reader.jumpToImage(i));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull()) << path.toStdString() << " picture " << i;
        EXPECT_EQ(image.width(), image.height());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "corner of the " << image.width() << " px picture";
        EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
        sizes.insert(image.width());
    }
    EXPECT_EQ(sizes, (QSet<int>{16, 24, 32, 48, 64, 256}));
}

TEST_F(Images, ProgramFolderIconHoldsEverySize) { ExpectIconFile(QStringLiteral(QPM_BIN_DIR "/mainicon.ico")); }

TEST_F(Images, BuiltInIconHoldsEverySize) { ExpectIconFile(":/app/mainicon.ico"); }

}  // namespace
