#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TestObjects.h"
#include "clsRC4.h"
#include "platform/FileIO.h"

// OpenSSL's RC4 is deprecated in OpenSSL 3; here it only checks our stream.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/rc4.h>

namespace {

std::string OpenSslRc4(const std::string& key, std::string data) {
    RC4_KEY k;
    RC4_set_key(&k, static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(key.data()));
    RC4(&k, data.size(), reinterpret_cast<const unsigned char*>(data.data()),
        reinterpret_cast<unsigned char*>(data.data()));
    return data;
}
#pragma GCC diagnostic pop

using cryptotest::Make;
using cryptotest::Owned;
using vedb::ByteArray;
using vedb::clsRC4;

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

ByteArray Bytes(const std::string& s) { return ByteArray(s.begin(), s.end()); }

// Counts Progress events and checks their argument.
struct ProgressCounter {
    int calls = 0;
    void Attach(clsRC4& rc4) {
        rc4.SetProgressHandler([this](std::int32_t& percent) {
            EXPECT_EQ(percent, 100);
            ++calls;
        });
    }
};

TEST(RC4, PublishedVectorsInHexAndBack) {
    struct Case {
        const char* key;
        const char* plain;
        const char* hex;
    };
    const Case cases[] = {
        {"Key", "Plaintext", "BBF316E8D940AF0AD3"},
        {"Wiki", "pedia", "1021BF0420"},
        {"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        auto rc4 = Make<clsRC4>();
        EXPECT_EQ(rc4->EncryptString(c.plain, c.key, true), c.hex);

        // Deciphering hex input writes the decoded cipher text back.
        auto other = Make<clsRC4>();
        std::string text = c.hex;
        EXPECT_EQ(other->DecryptString(text, c.key, true), c.plain);
        EXPECT_EQ(text, OpenSslRc4(c.key, c.plain));
    }
}

TEST(RC4, MatchesOpenSslForAllTailLengths) {
    // Lengths around the eight-byte blocks of the generator, and a long run.
    const std::string key = "k\x87\xff\x01 multi-byte key";
    for (std::size_t n : {1u, 2u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 255u, 256u, 257u, 1048579u}) {
        SCOPED_TRACE(n);
        std::string data = RandomBytes(n, static_cast<unsigned>(n));
        auto rc4 = Make<clsRC4>();
        std::string ours = data;
        rc4->CipherInPlace(ours.data(), ours.size(), key);
        EXPECT_EQ(ours, OpenSslRc4(key, data));
    }
}

TEST(RC4, NewObjectUsesTheDefaultKey) {
    auto fresh = Make<clsRC4>();
    auto keyed = Make<clsRC4>();
    keyed->Key("other");
    EXPECT_EQ(fresh->Key(), "plumvase");
    EXPECT_EQ(fresh->EncryptString("abc"), keyed->EncryptString("abc", "plumvase"));
    EXPECT_EQ(fresh->EncryptString("abc", {}, true), "AEB6E1");
}

TEST(RC4, EveryCallRestartsTheKeyStream) {
    auto rc4 = Make<clsRC4>();
    const std::string first = rc4->EncryptString("same text", "k");
    EXPECT_EQ(rc4->EncryptString("same text", "k"), first);
    std::string cipher = first;
    EXPECT_EQ(rc4->DecryptString(cipher, "k"), "same text");

    ByteArray bytes = Bytes("same text");
    rc4->EncryptByte(bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), first);
    rc4->DecryptByte(bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "same text");
}

TEST(RC4, KeyArgumentSticksAndEmptyOrEqualKeysAreIgnored) {
    auto rc4 = Make<clsRC4>();
    const std::string underK1 = rc4->EncryptString("text", "k1");
    EXPECT_EQ(rc4->Key(), "k1");
    EXPECT_EQ(rc4->EncryptString("text"), underK1);

    rc4->Key("");
    EXPECT_EQ(rc4->Key(), "k1");
    EXPECT_EQ(rc4->EncryptString("text"), underK1);

    rc4->Key("k1");
    EXPECT_EQ(rc4->EncryptString("text"), underK1);

    // An empty text returns at once: its key is not applied.
    EXPECT_EQ(rc4->EncryptString("", "k2"), "");
    EXPECT_EQ(rc4->Key(), "k1");
    std::string empty;
    EXPECT_EQ(rc4->DecryptString(empty, "k3"), "");
    EXPECT_EQ(rc4->Key(), "k1");
}

TEST(RC4, HexOutputIsTwoUpperCaseDigitsPerByte) {
    auto rc4 = Make<clsRC4>();
    const std::string text = RandomBytes(300, 7);
    const std::string hex = rc4->EncryptString(text, "hexkey", true);
    ASSERT_EQ(hex.size(), 600u);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    std::string in = hex;
    EXPECT_EQ(rc4->DecryptString(in, {}, true), text);
    EXPECT_EQ(in, rc4->EncryptString(text));
}

TEST(RC4, HexInputIsDecodedPairByPair) {
    struct Case {
        std::string hex;
        std::string decoded;
    };
    const Case cases[] = {
        {"4a4B", "\x4a\x4b"},                // either case
        {"0F", "\x0f"},                      // a leading zero
        {"A", "\x0a"},                       // a last lone character is read alone
        {"AG", "\x0a"},                      // digits count up to the first non-digit
        {"G1", std::string(1, '\0')},        // no leading hex digit gives 0
        {"FF 1", std::string("\xff\0", 2)},  // so does a pair that starts with a blank
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        auto rc4 = Make<clsRC4>();
        std::string text = c.hex;
        EXPECT_EQ(rc4->DecryptString(text, "k", true), OpenSslRc4("k", c.decoded));
        EXPECT_EQ(text, c.decoded);
    }
}

TEST(RC4, ByteStringMembersAndTheProgressEvent) {
    auto rc4 = Make<clsRC4>();
    ProgressCounter progress;
    progress.Attach(*rc4);

    ByteArray empty;
    EXPECT_EQ(rc4->EncryptBytesString(empty, "k", true), 0);
    EXPECT_EQ(rc4->DecryptBytesString(empty, "k"), "");
    EXPECT_EQ(progress.calls, 0);
    EXPECT_EQ(rc4->Key(), "plumvase");

    ByteArray data = Bytes(std::string("a\0b\x87", 4));
    EXPECT_EQ(rc4->EncryptBytesString(data, "k", true), 17);
    EXPECT_EQ(progress.calls, 1);
    EXPECT_EQ(std::string(data.begin(), data.end()), OpenSslRc4("k", std::string("a\0b\x87", 4)));
    EXPECT_EQ(rc4->DecryptBytesString(data), std::string("a\0b\x87", 4));
    EXPECT_EQ(progress.calls, 2);

    rc4->EncryptString("x");
    std::string hex = "AB";
    rc4->DecryptString(hex, {}, true);
    char raw[3] = {1, 2, 3};
    rc4->CipherInPlace(raw, 3);
    EXPECT_EQ(progress.calls, 5);
}

class RC4Files : public ::testing::Test {
protected:
    qpmtest::TempDir dir;
    Owned<clsRC4> rc4 = Make<clsRC4>();
};

TEST_F(RC4Files, EncipherInPlaceAndBack) {
    const std::string path = dir.file("user.vdb");
    const std::string original = RandomBytes(70000, 3);
    qpmtest::WriteBytes(path, original);
    ProgressCounter progress;
    progress.Attach(*rc4);

    ASSERT_TRUE(rc4->EncryptFile(path, path, true, "file key"));
    EXPECT_EQ(qpmtest::ReadBytes(path), OpenSslRc4("file key", original));
    EXPECT_EQ(progress.calls, 1);

    ASSERT_TRUE(rc4->DecryptFile(path, path, true));
    EXPECT_EQ(qpmtest::ReadBytes(path), original);
    EXPECT_EQ(progress.calls, 2);
}

TEST_F(RC4Files, RefusesMissingInputAndExistingOutputWithoutOverwrite) {
    const std::string in = dir.file("in");
    const std::string out = dir.file("out");
    EXPECT_FALSE(rc4->EncryptFile(dir.file("missing"), out, true));
    EXPECT_FALSE(plat::FileExists(out));

    qpmtest::WriteBytes(in, "plain");
    qpmtest::WriteBytes(out, "keep me");
    EXPECT_FALSE(rc4->EncryptFile(in, out, false, "k"));
    EXPECT_FALSE(rc4->DecryptFile(in, out, false, "k"));
    EXPECT_EQ(qpmtest::ReadBytes(out), "keep me");

    // A new output needs no Overwrite.
    const std::string fresh = dir.file("fresh");
    EXPECT_TRUE(rc4->EncryptFile(in, fresh, false, "k"));
    EXPECT_EQ(qpmtest::ReadBytes(fresh), OpenSslRc4("k", "plain"));

    EXPECT_FALSE(rc4->EncryptFile(in, dir.file("no/such/folder/out"), true));
}

TEST_F(RC4Files, EmptyInputGivesEmptyOutputWithoutApplyingTheKey) {
    const std::string in = dir.file("empty");
    const std::string out = dir.file("out");
    qpmtest::WriteBytes(in, "");
    qpmtest::WriteBytes(out, "old content");
    ProgressCounter progress;
    progress.Attach(*rc4);

    EXPECT_TRUE(rc4->EncryptFile(in, out, true, "ignored"));
    EXPECT_EQ(qpmtest::ReadBytes(out), "");
    EXPECT_TRUE(rc4->DecryptFile(in, in, true, "ignored"));
    EXPECT_EQ(qpmtest::ReadBytes(in), "");
    EXPECT_EQ(rc4->Key(), "plumvase");
    EXPECT_EQ(progress.calls, 0);
}

TEST_F(RC4Files, FailedWriteKeepsTheOldFile) {
    const std::string path = dir.file("user.vdb");
    const std::string original = RandomBytes(5000, 11);
    qpmtest::WriteBytes(path, original);
    const plat::WriteFaults faults[] = {
        {.failAfterBytes = 100, .refuseRename = false},
        {.failAfterBytes = 0, .refuseRename = false},
        {.failAfterBytes = -1, .refuseRename = true},
    };
    for (const auto& f : faults) {
        SCOPED_TRACE(f.failAfterBytes);
        {
            plat::ScopedWriteFaults inject(f);
            EXPECT_FALSE(rc4->EncryptFile(path, path, true, "k"));
        }
        EXPECT_EQ(qpmtest::ReadBytes(path), original);
    }
    // No temporary file is left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

}  // namespace
