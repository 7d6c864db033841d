// The shared looks of the record tree's nodes: equal looks are one copy,
// looks that would read back differently stay apart, and a look no node
// holds any more is given back.
#include <gtest/gtest.h>

#include <QColor>
#include <QPixmap>
#include <optional>
#include <vector>

#include "app/mainwindow/RecordTreeLook.h"

namespace {

RecordTreeLook Plain() {
    RecordTreeLook look;
    look.tag = QStringLiteral("2");
    look.image = QStringLiteral("1key");
    look.foreground = QBrush(QColor(0, 0, 0));
    QFont font;
    font.setBold(false);
    look.font = font;
    look.held = RecordTreeLook::kTag | RecordTreeLook::kImage | RecordTreeLook::kForeground | RecordTreeLook::kFont;
    return look;
}

TEST(RecordTreeLookTest, EqualLooksShareOneCopyThatLivesWhileHeld) {
    const std::size_t before = RecordTreeLookRef::InternedCount();
    {
        const RecordTreeLookRef a = RecordTreeLookRef::Intern(Plain());
        const RecordTreeLookRef b = RecordTreeLookRef::Intern(Plain());
        EXPECT_EQ(a.get(), b.get());
        EXPECT_EQ(RecordTreeLookRef::InternedCount(), before + 1);
        std::optional<RecordTreeLookRef> copy = a;
        RecordTreeLookRef moved = std::move(*copy);
        copy.reset();
        EXPECT_EQ(moved.get(), a.get());
        EXPECT_EQ(moved.get()->tag, QStringLiteral("2"));
    }
    EXPECT_EQ(RecordTreeLookRef::InternedCount(), before);
    // A look holding nothing is the empty reference, which costs nothing.
    EXPECT_EQ(RecordTreeLookRef::Intern(RecordTreeLook{}).get(), nullptr);
    EXPECT_EQ(RecordTreeLookRef().Held(), 0);
}

// Each change is one a node's reader could tell apart, so the changed look
// must not be taken for the plain one.
TEST(RecordTreeLookTest, LooksThatReadBackDifferentlyStayApart) {
    QPixmap pixmap(4, 4);
    pixmap.fill(Qt::red);
    const QIcon icon(pixmap);
    using Change = void (*)(RecordTreeLook&, const QIcon&);
    const Change changes[] = {
        [](RecordTreeLook& l, const QIcon&) { l.tag = QStringLiteral("1"); },
        [](RecordTreeLook& l, const QIcon&) { l.tag = QString(""); },  // empty, not null
        [](RecordTreeLook& l, const QIcon&) { l.image = QStringLiteral("2key"); },
        [](RecordTreeLook& l, const QIcon& i) {
            l.icon = i;
            l.held |= RecordTreeLook::kIcon;
        },
        [](RecordTreeLook& l, const QIcon&) { l.foreground = QBrush(QColor(255, 0, 0)); },
        [](RecordTreeLook& l, const QIcon&) { l.foreground = QBrush(QColor(0, 0, 0), Qt::Dense4Pattern); },
        [](RecordTreeLook& l, const QIcon&) { l.font.setBold(true); },
        // Equal as fonts, but one that sets nothing leaves the view's font.
        [](RecordTreeLook& l, const QIcon&) { l.font = QFont(); },
        [](RecordTreeLook& l, const QIcon&) { l.held &= ~RecordTreeLook::kTag; },
    };
    const RecordTreeLookRef plain = RecordTreeLookRef::Intern(Plain());
    std::vector<RecordTreeLookRef> kept;
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(i);
        RecordTreeLook look = Plain();
        changes[i](look, icon);
        ASSERT_FALSE(look == Plain());
        kept.push_back(RecordTreeLookRef::Intern(look));
        const RecordTreeLook& got = *kept.back().get();
        EXPECT_NE(&got, plain.get());
        EXPECT_EQ(got.tag.isNull(), look.tag.isNull());
        EXPECT_EQ(got.tag, look.tag);
        EXPECT_EQ(got.icon.cacheKey(), look.icon.cacheKey());
        EXPECT_EQ(got.foreground, look.foreground);
        EXPECT_EQ(got.font, look.font);
        EXPECT_EQ(got.font.resolveMask(), look.font.resolveMask());
        EXPECT_EQ(got.held, look.held);
    }
    EXPECT_EQ(plain.get()->tag, QStringLiteral("2"));
    EXPECT_TRUE(plain.get()->icon.isNull());
}

}  // namespace
