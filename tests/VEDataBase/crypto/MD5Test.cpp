#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "TestObjects.h"
#include "clsMD5HASH.h"
#include "platform/VbError.h"

// OpenSSL's low-level MD5 calls are deprecated in OpenSSL 3; here they serve
// only as an independent oracle.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/md5.h>

namespace {

using cryptotest::Make;
using vedb::clsMD5HASH;

std::string ToHex(const unsigned char* bytes, std::size_t n) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(kHex[bytes[i] >> 4]);
        out.push_back(kHex[bytes[i] & 15]);
    }
    return out;
}

std::string StandardMd5(const std::string& data) {
    unsigned char digest[MD5_DIGEST_LENGTH];
    MD5(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
    return ToHex(digest, sizeof digest);
}

// The stored-hash padding, modelled independently of the class: full blocks
// through the standard compression; a tail of 56 bytes, or of 57..63 bytes in
// a message longer than 64, is cut to its first 56 bytes and completed by the
// 8-byte length field (8L low byte first, then four zeros) in one last block.
// Every other length is standard MD5.
std::string StoredHashModel(const std::string& data) {
    const std::size_t length = data.size();
    const std::size_t r = length % 64;
    const bool quirky = r == 56 || (r > 56 && length > 64);
    if (!quirky) return StandardMd5(data);

    MD5_CTX ctx;
    MD5_Init(&ctx);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t full = length - r;
    for (std::size_t off = 0; off < full; off += 64) MD5_Transform(&ctx, bytes + off);
    unsigned char last[64] = {};
    std::memcpy(last, bytes + full, 56);
    const std::uint32_t bits = static_cast<std::uint32_t>(length * 8);
    for (int b = 0; b < 4; ++b) last[56 + b] = static_cast<unsigned char>(bits >> (8 * b));
    MD5_Transform(&ctx, last);

    unsigned char digest[16];
    const MD5_LONG words[4] = {ctx.A, ctx.B, ctx.C, ctx.D};
    for (int w = 0; w < 4; ++w)
        for (int b = 0; b < 4; ++b) digest[4 * w + b] = static_cast<unsigned char>(words[w] >> (8 * b));
    return ToHex(digest, sizeof digest);
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

std::vector<std::uint8_t> Bytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

template <typename F>
long ErrorNumberOf(F&& f) {
    try {
        f();
    } catch (const vb::VbError& e) {
        return e.Number();
    }
    return 0;
}

TEST(MD5, Rfc1321Suite) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    auto md5 = Make<clsMD5HASH>();
    for (const auto& [text, digest] : cases) EXPECT_EQ(md5->DigestStrToHexStr(text), digest) << text;
}

TEST(MD5, StandardLengthsMatchOpenSsl) {
    auto md5 = Make<clsMD5HASH>();
    for (std::size_t n : {32u, 55u, 57u, 63u, 64u, 119u, 128u, 183u}) {
        const std::string text = RandomBytes(n, static_cast<unsigned>(n));
        EXPECT_EQ(md5->DigestStrToHexStr(text), StandardMd5(text)) << n;
    }
}

TEST(MD5, StoredHashPaddingAtItsOwnLengths) {
    auto md5 = Make<clsMD5HASH>();
    EXPECT_EQ(md5->DigestStrToHexStr(std::string(56, 'a')), "959729528C4D3149AAED8B0ACA8859BB");
    for (std::size_t n : {56u, 120u, 121u, 127u, 184u}) {
        const std::string text = RandomBytes(n, static_cast<unsigned>(n) + 1000);
        const std::string digest = md5->DigestStrToHexStr(text);
        EXPECT_EQ(digest, StoredHashModel(text)) << n;
        EXPECT_NE(digest, StandardMd5(text)) << n;
    }
    // 57..63 bytes beyond the first block: the bytes past 56 drop out.
    const std::string a = std::string(64, 'x') + std::string(56, 'y') + "AAAAAAA";
    const std::string b = std::string(64, 'x') + std::string(56, 'y') + "BBBBBBB";
    EXPECT_EQ(md5->DigestStrToHexStr(a), md5->DigestStrToHexStr(b));
}

TEST(MD5, EveryLengthUpToFourBlocksMatchesTheModel) {
    auto md5 = Make<clsMD5HASH>();
    const std::string text = RandomBytes(260, 42);
    for (std::size_t n = 0; n <= text.size(); ++n) {
        const std::string prefix = text.substr(0, n);
        ASSERT_EQ(md5->DigestStrToHexStr(prefix), StoredHashModel(prefix)) << n;
    }
}

TEST(MD5, StringLengthLimit) {
    auto md5 = Make<clsMD5HASH>();
    const std::string longest = RandomBytes(32767, 5);
    EXPECT_EQ(md5->DigestStrToHexStr(longest), StoredHashModel(longest));
    EXPECT_EQ(ErrorNumberOf([&] { md5->DigestStrToHexStr(longest + "x"); }), vb::errOverflow);
}

TEST(MD5, IncrementalUpdatesAndTheirLimits) {
    const std::string text = RandomBytes(40000, 9);
    auto Incremental = [&](std::size_t length, std::size_t chunk) {
        auto md5 = Make<clsMD5HASH>();
        md5->MD5Init();
        for (std::size_t off = 0; off < length; off += chunk) {
            const std::size_t n = std::min(chunk, length - off);
            md5->MD5Update(static_cast<std::int32_t>(n), Bytes(text.substr(off, n)));
        }
        md5->MD5Final();
        return md5->GetValues();
    };
    // Chunks that straddle blocks give the one-call digest.
    for (std::size_t length : {0u, 1u, 56u, 64u, 127u, 1000u, 32825u, 32888u, 38400u}) {
        SCOPED_TRACE(length);
        for (std::size_t chunk : {1u, 13u, 64u, 32767u})
            EXPECT_EQ(Incremental(length, chunk), StoredHashModel(text.substr(0, length))) << chunk;
    }
    // Past 32,887 bytes a length of 57..63 mod 64 overflows the pad length.
    EXPECT_EQ(ErrorNumberOf([&] { Incremental(32889, 32767); }), vb::errOverflow);
    EXPECT_EQ(ErrorNumberOf([&] { Incremental(38399, 32767); }), vb::errOverflow);

    auto md5 = Make<clsMD5HASH>();
    md5->MD5Init();
    EXPECT_EQ(ErrorNumberOf([&] { md5->MD5Update(32768, Bytes(text)); }), vb::errOverflow);
    EXPECT_EQ(ErrorNumberOf([&] { md5->MD5Update(11, Bytes("ten bytes!")); }), vb::errSubscript);
    EXPECT_EQ(ErrorNumberOf([&] { md5->MD5Update(-1, Bytes("x")); }), vb::errInvalidCall);
    // The refused calls took nothing in.
    md5->MD5Update(3, Bytes("abcdef"));
    md5->MD5Final();
    EXPECT_EQ(md5->GetValues(), "900150983CD24FB0D6963F7D28E17F72");
}

TEST(MD5, RegistersAreSignedDecimalWords) {
    auto md5 = Make<clsMD5HASH>();
    EXPECT_EQ(md5->GetValues(), std::string(32, '0'));
    md5->DigestStrToHexStr("");
    EXPECT_EQ(md5->RegisterA(), "-645128748");
    EXPECT_EQ(md5->RegisterB(), "78774415");
    EXPECT_EQ(md5->RegisterC(), "-1744207639");
    EXPECT_EQ(md5->RegisterD(), "2118318316");
    md5->MD5Init();
    EXPECT_EQ(md5->RegisterA(), "1732584193");
    EXPECT_EQ(md5->RegisterB(), "-271733879");
}

TEST(MD5, LongLeftRotate) {
    struct Case {
        std::int32_t value, bits;
        std::int32_t result, valueAfter, bitsAfter;
    };
    const Case cases[] = {
        {1, 33, 2, 2, 1},        {1, 1, 2, 2, 1},      {0x12345678, 4, 0x23456781, 0x23456781, 4},
        {INT32_MIN, 1, 1, 1, 1}, {-1, 31, -1, -1, 31}, {7, 0, 7, 7, 0},
        {7, 32, 7, 7, 0},        {7, -3, 7, 7, -3},    {7, -35, 7, 7, -3},
    };
    auto md5 = Make<clsMD5HASH>();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " by " << c.bits);
        std::int32_t value = c.value, bits = c.bits;
        EXPECT_EQ(md5->LongLeftRotate(value, bits), c.result);
        EXPECT_EQ(value, c.valueAfter);
        EXPECT_EQ(bits, c.bitsAfter);
    }
}

class MD5Files : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = dir.file(name);
        qpmtest::WriteBytes(path, bytes);
        return path;
    }
    qpmtest::TempDir dir;
    cryptotest::Owned<clsMD5HASH> md5 = Make<clsMD5HASH>();
};

TEST_F(MD5Files, FileDigestEqualsStringDigest) {
    for (std::size_t n : {0u, 1u, 55u, 56u, 63u, 64u, 120u, 121u, 128u, 184u, 4096u, 32767u}) {
        const std::string bytes = RandomBytes(n, static_cast<unsigned>(n) + 7);
        EXPECT_EQ(md5->DigestFileToHexStr(Write("f", bytes)), md5->DigestStrToHexStr(bytes)) << n;
    }
    // Longer files than one string takes, at 0 and 56 mod 64.
    for (std::size_t n : {131072u, 131128u}) {
        const std::string bytes = RandomBytes(n, static_cast<unsigned>(n));
        EXPECT_EQ(md5->DigestFileToHexStr(Write("big", bytes)), StoredHashModel(bytes)) << n;
    }
}

TEST_F(MD5Files, MissingFileAndLengthLimits) {
    EXPECT_EQ(ErrorNumberOf([&] { md5->DigestFileToHexStr(dir.file("missing")); }), vb::errFileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { md5->DigestFileToHexStr(Write("odd", RandomBytes(32889, 1))); }), vb::errOverflow);

    // 2^28 bytes: the bit count reaches 2^31. A sparse file costs no disk.
    const std::string huge = dir.file("huge");
    int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 1 << 28), 0);
    ::close(fd);
    EXPECT_EQ(ErrorNumberOf([&] { md5->DigestFileToHexStr(huge); }), vb::errOverflow);
}

struct RecordingTarget : vedb::IProgressTarget {
    std::vector<std::pair<std::string, float>> calls;
    void Call(const std::string& procName, float value) override { calls.emplace_back(procName, value); }
    std::vector<float> Values() const {
        std::vector<float> v;
        for (const auto& c : calls) v.push_back(c.second);
        return v;
    }
};

TEST_F(MD5Files, ProgressCallsFollowTheGrades) {
    struct Case {
        std::size_t fileLength;
        std::int32_t grades;
        std::vector<float> values;
    };
    // Min 10, max 20; 640 bytes are 10 blocks, 650 bytes 11.
    const Case cases[] = {
        {640, 0, {10, 20}},
        {640, -4, {10, 20}},
        {640, 5, {10, 12, 14, 16, 18, 20, 20}},  // every 2nd block
        {640, 4, {10, 12, 14, 16, 18, 20, 20}},  // 2.5 rounds to even: 2
        {640, 3, {10, 13, 16, 19, 20}},          // every 3rd block
        {640, 10, {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 20}},
        {650, 20, {}},  // more grades than blocks: every block, computed below
        {0, 3, {10, 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fileLength << " bytes, grades " << c.grades);
        auto target = std::make_shared<RecordingTarget>();
        md5->SetProgressProc(target, "Step", 10, 20, c.grades);
        const std::string bytes = RandomBytes(c.fileLength, 3);
        EXPECT_EQ(md5->DigestFileToHexStr(Write("p", bytes)), md5->DigestStrToHexStr(bytes));
        std::vector<float> expected = c.values;
        if (expected.empty()) {
            // 10 + 10 * bytes so far / 650 after each block, the last one short.
            expected = {10};
            for (int block = 1; block <= 11; ++block) expected.push_back(10 + 10 * std::min(64 * block, 650) / 650.f);
            expected.push_back(20);
        }
        std::vector<float> got = target->Values();
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-4) << i;
        for (const auto& call : target->calls) EXPECT_EQ(call.first, "Step");
    }
}

TEST(MD5, ProgressSettings) {
    auto md5 = Make<clsMD5HASH>();
    EXPECT_EQ(md5->ProgressObject(), nullptr);

    auto target = std::make_shared<RecordingTarget>();
    md5->SetProgressProc(target);
    EXPECT_EQ(md5->ProgressObject(), target);
    EXPECT_EQ(md5->ProgressProc(), "");
    EXPECT_EQ(md5->ProgressMin(), 0.0f);
    EXPECT_EQ(md5->ProgressMax(), 1.0f);

    md5->ProgressMin(3);
    md5->ProgressMax(7);
    EXPECT_EQ(md5->ProgressMax(), 7.0f);
    EXPECT_EQ(md5->ProgressMin(), 3.0f);

    md5->SetProgressProc(target, "Tick", 1, 2, 5);
    EXPECT_EQ(md5->ProgressProc(), "Tick");
    md5->SetProgressProc(nullptr, "Ignored", 4, 5);
    EXPECT_EQ(md5->ProgressObject(), nullptr);
    EXPECT_EQ(md5->ProgressProc(), "");
    EXPECT_EQ(md5->ProgressMin(), 4.0f);
    EXPECT_EQ(md5->ProgressMax(), 5.0f);

    // Strings are hashed without progress calls.
    md5->SetProgressProc(target, "Tick");
    md5->DigestStrToHexStr("abc");
    EXPECT_TRUE(target->calls.empty());
}

}  // namespace
