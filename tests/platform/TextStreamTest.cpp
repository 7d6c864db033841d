#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/FileIO.h"
#include "platform/TextStream.h"
#include "platform/VbError.h"

namespace {

using qpmtest::ReadBytes;
using qpmtest::TempDir;
using qpmtest::WriteBytes;

long ErrorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const vb::VbError& e) {
        return e.Number();
    }
    return 0;
}

std::vector<std::string> ReadAll(plat::TextReader& r) {
    std::vector<std::string> lines;
    while (!r.AtEndOfStream()) lines.push_back(r.ReadLine());
    return lines;
}

std::size_t FilesIn(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

TEST(TextStream, EveryByteRoundTripsAndOnlyCrLfSplitsLines) {
    // Lines holding every byte, lone CR and lone LF among them, and a line of
    // a NUL and SEP only; the CR LF pair never occurs inside a line.
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::vector<std::string> lines = {
        all, "", "lone\rCR", "lone\nLF", "\n\r", std::string("\0\x87", 2), "\r", "\n", "end\r",
    };
    TempDir dir;
    auto path = dir.file("all.txt");
    {
        plat::TextWriter w(path);
        for (const auto& l : lines) w.WriteLine(l);
        w.Close();
    }
    std::string expected;
    for (const auto& l : lines) expected += l + "\r\n";
    ASSERT_EQ(ReadBytes(path), expected);

    plat::TextReader r(path);
    EXPECT_EQ(ReadAll(r), lines);
    EXPECT_TRUE(r.AtEndOfStream());
}

TEST(TextStream, ReaderSplitsExactlyAtCrLf) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a\r\n", {"a"}},
        {"a", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"a\n\rb", {"a\n\rb"}},
        {"a\r\r\nb", {"a\r", "b"}},
        {"a\r", {"a\r"}},
        {"\n", {"\n"}},
    };
    for (const auto& c : cases) {
        auto r = plat::TextReader::FromBytes(c.bytes);
        EXPECT_EQ(ReadAll(r), c.lines) << testing::PrintToString(c.bytes);
    }
}

TEST(TextStream, ReadingPastTheEndIsError62) {
    auto empty = plat::TextReader::FromBytes("");
    EXPECT_TRUE(empty.AtEndOfStream());
    EXPECT_EQ(ErrorNumber([&] { empty.ReadLine(); }), vb::errInputPastEnd);
    EXPECT_EQ(ErrorNumber([&] { empty.SkipLine(); }), vb::errInputPastEnd);

    auto r = plat::TextReader::FromBytes("one\r\ntwo\r\nthree");
    EXPECT_EQ(r.Line(), 1);
    r.SkipLine();
    EXPECT_EQ(r.Line(), 2);
    EXPECT_EQ(r.ReadLine(), "two");
    EXPECT_FALSE(r.AtEndOfStream());
    EXPECT_EQ(r.ReadLine(), "three");
    EXPECT_TRUE(r.AtEndOfStream());
    try {
        r.ReadLine();
        ADD_FAILURE() << "no error past the end";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), 62);
        EXPECT_EQ(e.Description(), "Input past end of file");
    }

    auto closed = plat::TextReader::FromBytes("x\r\n");
    closed.Close();
    EXPECT_EQ(ErrorNumber([&] { closed.ReadLine(); }), vb::errInputPastEnd);
}

TEST(TextStream, MissingFileIsError53) {
    TempDir dir;
    EXPECT_EQ(ErrorNumber([&] { plat::TextReader r(dir.file("nothing.vdb")); }), vb::errFileNotFound);
    EXPECT_EQ(ErrorNumber([&] { plat::TextReader r(dir.path().string()); }), vb::errFileNotFound);
}

TEST(TextStream, WriterInAMissingFolderIsError76) {
    TempDir dir;
    EXPECT_EQ(ErrorNumber([&] { plat::TextWriter w(dir.file("no/such/file.vdb")); }), vb::errPathNotFound);
}

TEST(TextStream, TargetIsReplacedOnlyByASuccessfulClose) {
    TempDir dir;
    auto path = dir.file("user.vdb");
    WriteBytes(path, "old\r\n");
    {
        plat::TextWriter w(path);
        w.WriteLine("new");
        EXPECT_EQ(ReadBytes(path), "old\r\n");
        // Destroyed without Close: the old file stays, no temporary is left.
    }
    EXPECT_EQ(ReadBytes(path), "old\r\n");
    EXPECT_EQ(FilesIn(dir.path()), 1u);

    plat::TextWriter w(path);
    w.Write("part");
    w.WriteLine(" one");
    w.WriteLine();
    w.Close();
    w.Close();  // a second Close changes nothing
    EXPECT_EQ(ReadBytes(path), "part one\r\n\r\n");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
    EXPECT_EQ(ErrorNumber([&] { w.WriteLine("late"); }), vb::errPathFileAccess);
}

TEST(TextStream, AbandonLeavesTheTargetAsItWas) {
    TempDir dir;
    auto path = dir.file("user.vdb");
    plat::TextWriter w(path);
    w.WriteLine("never");
    w.Abandon();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(FilesIn(dir.path()), 0u);
    EXPECT_EQ(ErrorNumber([&] { w.Close(); }), vb::errPathFileAccess);
}

TEST(TextStream, FailedCloseLeavesTheOldFileByteIdentical) {
    std::string old;
    for (int b = 255; b >= 0; --b) old.push_back(static_cast<char>(b));
    struct Case {
        const char* name;
        plat::WriteFaults faults;
    };
    const Case cases[] = {
        {"disk full at once", {0, false}},
        {"disk full midway", {100000, false}},
        {"rename refused", {-1, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        auto path = dir.file("user.vdb");
        WriteBytes(path, old);
        long error = ErrorNumber([&] {
            plat::ScopedWriteFaults faults(c.faults);
            plat::TextWriter w(path);
            // Enough lines to pass the writer's own buffer more than once.
            for (int i = 0; i < 10000; ++i) w.WriteLine("line of a table record " + std::to_string(i));
            w.Close();
        });
        EXPECT_EQ(error, vb::errPathFileAccess);
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(FilesIn(dir.path()), 1u);
    }
}

TEST(TextStream, FailedWriteStaysFailedEvenWhenTheDiskRecovers) {
    TempDir dir;
    auto path = dir.file("user.vdb");
    WriteBytes(path, "old");
    plat::TextWriter w(path);
    {
        plat::ScopedWriteFaults faults({10, false});
        EXPECT_EQ(ErrorNumber([&] {
                      for (int i = 0; i < 10000; ++i) w.WriteLine("some record line");
                  }),
                  vb::errPathFileAccess);
    }
    // Without the sticky failure a later Close would commit a file with a gap.
    EXPECT_EQ(ErrorNumber([&] { w.WriteLine("more"); }), vb::errPathFileAccess);
    EXPECT_EQ(ErrorNumber([&] { w.Close(); }), vb::errPathFileAccess);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

}  // namespace
