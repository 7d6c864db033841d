// A record node's key and text in their one block of bytes: every key reads
// back byte for byte and every text unit for unit, whichever is set first
// (or both at once) and however often either changes.
#include <gtest/gtest.h>

#include <QString>
#include <string>
#include <vector>

#include "app/mainwindow/RecordTreeStrings.h"

namespace {

std::vector<std::string> Keys() { return {"", "0key", std::string("\xE9\0k\xFF", 4), std::string(300, 'k') + "key"}; }

std::vector<QString> Texts() {
    return {QString(),
            QString(""),  // empty but not null
            QStringLiteral("Bank"),
            QStringLiteral("caf\u00E9 \u00FF"),               // one byte a character
            QStringLiteral("\u20AC 5 \u201Cx\u201D"),         // beyond one byte
            QString(QChar(0xD800)) + QStringLiteral("lone"),  // not valid UTF-16
            QString(QChar(0)) + QStringLiteral("nul"),
            QString(70000, QChar('t'))};
}

void ExpectText(const RecordTreeStrings& s, const QString& text) {
    EXPECT_EQ(s.Text().isNull(), text.isNull());
    EXPECT_EQ(s.Text(), text);
}

TEST(RecordTreeStringsTest, AKeyAndATextReadBackAsSetInEitherOrderOrAtOnce) {
    for (const std::string& key : Keys()) {
        for (const QString& text : Texts()) {
            SCOPED_TRACE(key.size());
            SCOPED_TRACE(text.left(12).toStdString());
            RecordTreeStrings keyFirst;
            keyFirst.SetKey(key);
            keyFirst.SetText(text);
            EXPECT_EQ(keyFirst.Key(), key);
            ExpectText(keyFirst, text);

            RecordTreeStrings textFirst;
            textFirst.SetText(text);
            textFirst.SetKey(key);
            EXPECT_EQ(textFirst.Key(), key);
            ExpectText(textFirst, text);

            RecordTreeStrings both;
            both.Set(key, text);
            EXPECT_EQ(both.Key(), key);
            ExpectText(both, text);
        }
    }
}

TEST(RecordTreeStringsTest, ChangingOneLeavesTheOther) {
    RecordTreeStrings s;
    EXPECT_EQ(s.Key(), "");
    ExpectText(s, QString());
    s.SetKey("12key");
    const std::vector<QString> texts = Texts();
    for (const QString& text : texts) {
        s.SetText(text);
        EXPECT_EQ(s.Key(), "12key");
        ExpectText(s, text);
    }
    s.SetKey("7key");
    ExpectText(s, texts.back());
    // A key taken from the node itself survives the node's new block.
    s.SetKey(s.Key().substr(1));
    EXPECT_EQ(s.Key(), "key");
    s.ClearText();
    ExpectText(s, QString());
    EXPECT_EQ(s.Key(), "key");
}

}  // namespace
