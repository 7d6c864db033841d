#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "CommonMod.h"
#include "TempDir.h"
#include "clsZLIB.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace {

using vedb::clsZLIB;
namespace CommonMod = vedb::CommonMod;

const std::string kMarker = "hd+kvZo23 o8 j@a";
// zlib's stream of no input at the default level.
const std::string kEmptyStream("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);

std::string SomeContent(std::size_t n) {
    std::mt19937 gen(17);
    std::string s;
    s.reserve(n);
    // Text lines with some random bytes, so it compresses but not to nothing.
    while (s.size() < n) {
        s += "Record\x87line\x87";
        s.push_back(static_cast<char>(gen() & 0xFF));
        s += "\r\n";
    }
    s.resize(n);
    return s;
}

std::string Expand(const std::string& stream, std::int32_t size) {
    clsZLIB z;
    std::string s = stream;
    EXPECT_EQ(z.DecompressString(s, size), 0);
    return s;
}

class Zlib : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = dir.file(name);
        qpmtest::WriteBytes(path, bytes);
        return path;
    }
    qpmtest::TempDir dir;
    clsZLIB zlib;
};

TEST(ZlibCapacity, RoundsHalfToEven) {
    const std::pair<std::int64_t, std::int32_t> cases[] = {
        {0, 12}, {1, 13}, {50, 62}, {150, 164}, {250, 264}, {1000, 1022},
    };
    for (const auto& [n, capacity] : cases) EXPECT_EQ(clsZLIB::CompressCapacity(n), capacity) << n;
}

TEST_F(Zlib, FileLayoutIsMarkerLengthSeparatorStream) {
    const std::string original = SomeContent(5000);
    const std::string path = Write("db.vdb", original);
    ASSERT_EQ(zlib.CompressFile(path, path), 0);
    EXPECT_EQ(zlib.OriginalSize(), 5000);

    const std::string packed = qpmtest::ReadBytes(path);
    const std::string head = kMarker + "5000\x87";
    ASSERT_EQ(packed.compare(0, head.size(), head), 0);
    const std::string stream = packed.substr(head.size());
    EXPECT_EQ(zlib.CompressedSize(), static_cast<std::int32_t>(stream.size()));
    EXPECT_LT(stream.size(), original.size());
    EXPECT_EQ(Expand(stream, 5000), original);

    ASSERT_EQ(zlib.DecompressFile(path, path), 0);
    EXPECT_EQ(qpmtest::ReadBytes(path), original);
    EXPECT_EQ(zlib.OriginalSize(), 5000);
}

TEST_F(Zlib, EmptyFile) {
    const std::string path = Write("empty", "");
    const std::string packedPath = dir.file("packed");
    ASSERT_EQ(zlib.CompressFile(path, packedPath), 0);
    EXPECT_EQ(qpmtest::ReadBytes(packedPath), kMarker + "0\x87" + kEmptyStream);

    qpmtest::WriteBytes(path, "to be replaced");
    ASSERT_EQ(zlib.DecompressFile(packedPath, path), 0);
    EXPECT_EQ(qpmtest::ReadBytes(path), "");
}

TEST_F(Zlib, RoundTripOntoItselfAndToAnotherFile) {
    const std::string original = SomeContent(300000);
    const std::string path = Write("db.vdb", original);
    ASSERT_EQ(zlib.CompressFile(path, path), 0);
    ASSERT_EQ(zlib.DecompressFile(path, path), 0);
    EXPECT_EQ(qpmtest::ReadBytes(path), original);

    const std::string packed = dir.file("packed");
    const std::string expanded = dir.file("expanded");
    ASSERT_EQ(zlib.CompressFile(path, packed), 0);
    ASSERT_EQ(zlib.DecompressFile(packed, expanded), 0);
    EXPECT_EQ(qpmtest::ReadBytes(expanded), original);
    EXPECT_EQ(qpmtest::ReadBytes(path), original);
}

TEST_F(Zlib, MissingInputAndMissingMarker) {
    EXPECT_EQ(zlib.CompressFile(dir.file("none"), dir.file("out")), -2);
    EXPECT_EQ(zlib.DecompressFile(dir.file("none"), dir.file("out")), -2);
    EXPECT_FALSE(plat::FileExists(dir.file("out")));

    const std::string stream = kEmptyStream;
    for (const std::string& content :
         {std::string("hd+kvzo23 o8 j@a0\x87") + stream,  // one letter's case
          std::string("HD+kvZo23 o8 j@a0\x87") + stream, std::string("hd+kvZo23 o8"), std::string("dzorvaLiL\r\n")}) {
        const std::string path = Write("plain", content);
        EXPECT_EQ(zlib.DecompressFile(path, path), -3) << content;
        EXPECT_EQ(qpmtest::ReadBytes(path), content);
    }
}

TEST_F(Zlib, DamagedFilesAreRefusedAndLeftAlone) {
    const std::string original = SomeContent(4000);
    const std::string packedPath = Write("src", original);
    ASSERT_EQ(zlib.CompressFile(packedPath, packedPath), 0);
    const std::string packed = qpmtest::ReadBytes(packedPath);
    const std::size_t streamAt = kMarker.size() + 5;  // "4000" and SEP
    const std::string stream = packed.substr(streamAt);

    std::string flipped = packed;
    flipped[streamAt + stream.size() / 2] ^= 0x55;
    std::string badAdler = packed;
    badAdler.back() ^= 1;
    const std::string cases[] = {
        flipped,
        badAdler,
        packed.substr(0, packed.size() - 10),           // truncated stream
        kMarker + "3998\x87" + stream,                  // length text too small
        kMarker + "4000" + stream,                      // no separator
        kMarker + "\x87" + stream,                      // no length text
        kMarker + "40a0\x87" + stream,                  // not digits
        kMarker + "-4000\x87" + stream,                 // a sign
        kMarker + " 4000\x87" + stream,                 // a blank
        kMarker + "99999999999999999999\x87" + stream,  // absurd
        kMarker + "2147483648\x87" + stream,            // past 32 bits
        kMarker + "1000000\x87" + kEmptyStream,         // more than 8 bytes can give
        kMarker + "4000\x87",                           // no stream
    };
    for (const auto& content : cases) {
        SCOPED_TRACE(content.substr(kMarker.size(), 12));
        const std::string path = Write("damaged", content);
        const std::string other = Write("other", "keep");
        EXPECT_EQ(zlib.DecompressFile(path, path), vedb::kZlibFileFailed);
        EXPECT_EQ(zlib.DecompressFile(path, other), vedb::kZlibFileFailed);
        EXPECT_TRUE(qpmtest::ReadBytes(path) == content);
        EXPECT_EQ(qpmtest::ReadBytes(other), "keep");
    }
    // The size buffer has one byte of room, and a larger length text within
    // what the stream can give is only an upper bound.
    const std::string tight = Write("tight", kMarker + "3999\x87" + stream);
    EXPECT_EQ(zlib.DecompressFile(tight, tight), 0);
    EXPECT_TRUE(qpmtest::ReadBytes(tight) == original);
    const std::string path = Write("roomy", kMarker + "4100\x87" + stream);
    EXPECT_EQ(zlib.DecompressFile(path, path), 0);
    EXPECT_EQ(qpmtest::ReadBytes(path), original);
}

TEST_F(Zlib, FailedWriteKeepsTheOldFileAndRaises) {
    const std::string original = SomeContent(20000);
    const std::string path = Write("db.vdb", original);
    long error = 0;
    try {
        plat::ScopedWriteFaults inject({.failAfterBytes = 50, .refuseRename = false});
        zlib.CompressFile(path, path);
    } catch (const vb::VbError& e) {
        error = e.Number();
    }
    EXPECT_EQ(error, vb::errPathFileAccess);
    EXPECT_EQ(qpmtest::ReadBytes(path), original);
}

class ZlibMissing : public Zlib {
protected:
    void SetUp() override { vedb::SetZlibLibraryName("libz-not-installed.so.1"); }
    void TearDown() override { vedb::SetZlibLibraryName(vedb::kZlibLibraryName); }
};

TEST_F(ZlibMissing, EveryMemberFailsCleanly) {
    const std::string path = Write("db.vdb", "content");
    EXPECT_EQ(zlib.CompressFile(path, path), vedb::kZlibFileFailed);
    EXPECT_EQ(zlib.CompressFile(path, dir.file("new")), vedb::kZlibFileFailed);
    EXPECT_EQ(qpmtest::ReadBytes(path), "content");
    EXPECT_FALSE(plat::FileExists(dir.file("new")));

    const std::string packed = Write("packed", kMarker + "0\x87" + kEmptyStream);
    EXPECT_EQ(zlib.DecompressFile(packed, packed), vedb::kZlibFileFailed);
    EXPECT_EQ(qpmtest::ReadBytes(packed), kMarker + "0\x87" + kEmptyStream);

    std::string text = "some text";
    EXPECT_EQ(zlib.CompressString(text), vedb::kZlibUnavailable);
    EXPECT_EQ(text, "some text");
    EXPECT_EQ(zlib.OriginalSize(), 0);
    EXPECT_EQ(zlib.CompressedSize(), 0);
    std::string stream = kEmptyStream;
    EXPECT_EQ(zlib.DecompressString(stream, 0), vedb::kZlibUnavailable);
    EXPECT_EQ(stream, kEmptyStream);

    // Binding again by the real name works.
    vedb::SetZlibLibraryName(vedb::kZlibLibraryName);
    EXPECT_EQ(zlib.CompressFile(path, path), 0);
}

TEST(ZlibMembers, StringsAndTheirSizes) {
    clsZLIB zlib;
    EXPECT_FALSE(zlib.About());
    const std::string original = SomeContent(1000);
    std::string text = original;
    ASSERT_EQ(zlib.CompressString(text), 0);
    EXPECT_EQ(zlib.OriginalSize(), 1000);
    EXPECT_EQ(zlib.CompressedSize(), static_cast<std::int32_t>(text.size()));
    const std::string stream = text;

    // Too small a size: the string stays, both sizes are 0.
    EXPECT_EQ(zlib.DecompressString(text, 900), -5);
    EXPECT_EQ(text, stream);
    EXPECT_EQ(zlib.OriginalSize(), 0);
    EXPECT_EQ(zlib.CompressedSize(), 0);
    EXPECT_EQ(zlib.DecompressString(text, -1), -5);
    EXPECT_EQ(text, stream);

    // One byte of room is added to the size given.
    ASSERT_EQ(zlib.DecompressString(text, 999), 0);
    EXPECT_EQ(text, original);
    EXPECT_EQ(zlib.OriginalSize(), 1000);
    EXPECT_EQ(zlib.CompressedSize(), static_cast<std::int32_t>(stream.size()));

    std::string garbage = "not a zlib stream";
    EXPECT_EQ(zlib.DecompressString(garbage, 100), -3);
    EXPECT_EQ(garbage, "not a zlib stream");
}

TEST(ZlibMembers, ByteArrays) {
    clsZLIB zlib;
    for (std::vector<std::uint8_t> tiny : {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{0x41}}) {
        const auto before = tiny;
        EXPECT_EQ(zlib.CompressData(tiny), 0);
        EXPECT_EQ(tiny, before);
        EXPECT_EQ(zlib.DecompressData(tiny, 10), 0);
        EXPECT_EQ(tiny, before);
        EXPECT_EQ(zlib.OriginalSize(), 0);
        EXPECT_EQ(zlib.CompressedSize(), 0);
    }
    const std::string original = SomeContent(777);
    std::vector<std::uint8_t> data(original.begin(), original.end());
    ASSERT_EQ(zlib.CompressData(data), 0);
    EXPECT_EQ(zlib.CompressedSize(), static_cast<std::int32_t>(data.size()));
    ASSERT_EQ(zlib.DecompressData(data, 777), 0);
    EXPECT_EQ(std::string(data.begin(), data.end()), original);

    std::vector<std::uint8_t> empty(kEmptyStream.begin(), kEmptyStream.end());
    ASSERT_EQ(zlib.DecompressData(empty, 0), 0);
    EXPECT_TRUE(empty.empty());
}

TEST(CommonModTest, GetToken) {
    struct Case {
        std::string text;
        std::int32_t start;
        std::string token;
        std::int32_t result;
        std::int32_t startAfter;
    };
    const Case cases[] = {
        {"ab\x87"
         "cd",
         1, "ab", 4, 1},
        {"ab\x87"
         "cd",
         4, "cd", 6, 4},  // no further separator: the rest, length + 1
        {"ab\x87"
         "cd",
         0, "ab", 4, 1},  // a start below 1 becomes 1
        {"ab\x87"
         "cd",
         -7, "ab", 4, 1},
        {"ab\x87"
         "cd",
         6, "", 6, 6},  // past the end
        {"ab\x87"
         "cd",
         99, "", 99, 99},
        {"ab\x87", 3, "", 4, 3},  // empty token before a separator
        {"\x87\x87x", 2, "", 3, 2},
        {"abc", 2, "bc", 4, 2},
        {"", 1, "", 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " from " << c.start);
        std::string token = "stale";
        std::int32_t start = c.start;
        EXPECT_EQ(CommonMod::GetToken(c.text, token, start), c.result);
        EXPECT_EQ(token, c.token);
        EXPECT_EQ(start, c.startAfter);
    }
}

TEST(CommonModTest, FileExistsAndDeleteFile) {
    qpmtest::TempDir dir;
    const std::string file = dir.file("f");
    qpmtest::WriteBytes(file, "x");
    EXPECT_TRUE(CommonMod::FileExists(file));
    EXPECT_FALSE(CommonMod::FileExists(dir.path().string()));
    EXPECT_FALSE(CommonMod::FileExists(dir.file("missing")));
    EXPECT_FALSE(CommonMod::FileExists(""));

    EXPECT_EQ(CommonMod::DeleteFile(dir.file("missing")), -2);
    ::chmod(file.c_str(), 0400);
    EXPECT_EQ(CommonMod::DeleteFile(file), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
