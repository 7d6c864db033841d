#include "clsMD5HASH.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace vedb {
namespace {

constexpr std::uint32_t kInitA = 0x67452301;
constexpr std::uint32_t kInitB = 0xEFCDAB89;
constexpr std::uint32_t kInitC = 0x98BADCFE;
constexpr std::uint32_t kInitD = 0x10325476;

// 8 * L must stay below 2^31.
constexpr std::int32_t kMaxMessageLength = 1 << 28;
// The most negative pad length a 16-bit position holds.
constexpr std::int32_t kMinPadLength = -32768;

constexpr std::uint8_t kPadding[64] = {0x80};

inline std::uint32_t Rotl(std::uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

inline std::uint32_t LoadLE(const std::uint8_t* p) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "message words are read in host order");
    std::uint32_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

#define MD5_STEP(f, a, b, c, d, x, t, s) \
    a += f(b, c, d) + (x) + (t);         \
    a = Rotl(a, s) + (b)

#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

void AppendHexLE(std::string& out, std::uint32_t word) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int b = 0; b < 4; ++b) {
        unsigned byte = (word >> (8 * b)) & 0xFF;
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 15]);
    }
}

// Reads until `size` bytes or the end of the file; raises 75 on an error.
std::size_t ReadFull(int fd, std::uint8_t* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            vb::Raise(vb::errPathFileAccess);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// Closes a file descriptor on every path.
struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

void clsMD5HASH::Transform(const std::uint8_t* block) {
    std::uint32_t x[16];
    for (int k = 0; k < 16; ++k) x[k] = LoadLE(block + 4 * k);
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

    MD5_STEP(MD5_F, a, b, c, d, x[0], 0xd76aa478, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[1], 0xe8c7b756, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[2], 0x242070db, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[3], 0xc1bdceee, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[4], 0xf57c0faf, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[5], 0x4787c62a, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[6], 0xa8304613, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[7], 0xfd469501, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[8], 0x698098d8, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[9], 0x8b44f7af, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[10], 0xffff5bb1, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[11], 0x895cd7be, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[12], 0x6b901122, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[13], 0xfd987193, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[14], 0xa679438e, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[15], 0x49b40821, 22);

    MD5_STEP(MD5_G, a, b, c, d, x[1], 0xf61e2562, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[6], 0xc040b340, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[11], 0x265e5a51, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[0], 0xe9b6c7aa, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[5], 0xd62f105d, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[10], 0x02441453, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[15], 0xd8a1e681, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[4], 0xe7d3fbc8, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[9], 0x21e1cde6, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[14], 0xc33707d6, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[3], 0xf4d50d87, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[8], 0x455a14ed, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[13], 0xa9e3e905, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[2], 0xfcefa3f8, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[7], 0x676f02d9, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[12], 0x8d2a4c8a, 20);

    MD5_STEP(MD5_H, a, b, c, d, x[5], 0xfffa3942, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[8], 0x8771f681, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[11], 0x6d9d6122, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[14], 0xfde5380c, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[1], 0xa4beea44, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[4], 0x4bdecfa9, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[7], 0xf6bb4b60, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[10], 0xbebfbc70, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[13], 0x289b7ec6, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[0], 0xeaa127fa, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[3], 0xd4ef3085, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[6], 0x04881d05, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[9], 0xd9d4d039, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[12], 0xe6db99e5, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[15], 0x1fa27cf8, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[2], 0xc4ac5665, 23);

    MD5_STEP(MD5_I, a, b, c, d, x[0], 0xf4292244, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[7], 0x432aff97, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[14], 0xab9423a7, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[5], 0xfc93a039, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[12], 0x655b59c3, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[3], 0x8f0ccc92, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[10], 0xffeff47d, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[1], 0x85845dd1, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[8], 0x6fa87e4f, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[15], 0xfe2ce6e0, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[6], 0xa3014314, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[13], 0x4e0811a1, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[4], 0xf7537e82, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[11], 0xbd3af235, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[2], 0x2ad7d2bb, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[9], 0xeb86d391, 21);

    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

#undef MD5_STEP
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I

void clsMD5HASH::MD5Init() {
    count_ = 0;
    state_[0] = kInitA;
    state_[1] = kInitB;
    state_[2] = kInitC;
    state_[3] = kInitD;
}

// The update of RFC 1321 on the 32-bit signed count.
void clsMD5HASH::Update(const std::uint8_t* input, std::int32_t length) {
    if (length <= 0) return;
    if (static_cast<std::int64_t>(count_) + length > INT32_MAX) vb::Raise(vb::errOverflow);
    std::int32_t index = count_ % 64;
    const std::int32_t partLen = 64 - index;
    count_ += length;
    std::int32_t i = 0;
    if (length >= partLen) {
        std::memcpy(buffer_ + index, input, static_cast<std::size_t>(partLen));
        Transform(buffer_);
        for (i = partLen; i + 63 < length; i += 64) Transform(input + i);
        index = 0;
    }
    std::memcpy(buffer_ + index, input + i, static_cast<std::size_t>(length - i));
}

void clsMD5HASH::MD5Update(std::int32_t InputLen, const std::vector<std::uint8_t>& InputBuffer) {
    if (InputLen < 0) vb::Raise(vb::errInvalidCall);
    if (InputLen > kMaxUpdateLength) vb::Raise(vb::errOverflow);
    if (static_cast<std::size_t>(InputLen) > InputBuffer.size()) vb::Raise(vb::errSubscript);
    Update(InputBuffer.data(), InputLen);
}

void clsMD5HASH::MD5Final() {
    const std::int32_t length = count_;
    if (length >= kMaxMessageLength) vb::Raise(vb::errOverflow);
    const std::int32_t r = length % 64;
    const std::uint32_t bits = static_cast<std::uint32_t>(length) * 8u;
    const std::uint8_t lengthField[8] = {static_cast<std::uint8_t>(bits),
                                         static_cast<std::uint8_t>(bits >> 8),
                                         static_cast<std::uint8_t>(bits >> 16),
                                         static_cast<std::uint8_t>(bits >> 24),
                                         0,
                                         0,
                                         0,
                                         0};
    if (r <= 56) {
        Update(kPadding, 56 - r);
    } else {
        const std::int32_t padLen = 120 - length;
        if (padLen < kMinPadLength) vb::Raise(vb::errOverflow);
        if (padLen >= 0) {
            Update(kPadding, padLen);
        } else {
            // A negative pad takes in no bytes but moves the count to 120, so
            // the length field lands on positions 56..63 of the current block.
            count_ = 120;
        }
    }
    Update(lengthField, 8);
}

std::string clsMD5HASH::GetValues() const {
    std::string out;
    out.reserve(32);
    for (std::uint32_t word : state_) AppendHexLE(out, word);
    return out;
}

std::string clsMD5HASH::RegisterA() const { return std::to_string(static_cast<std::int32_t>(state_[0])); }
std::string clsMD5HASH::RegisterB() const { return std::to_string(static_cast<std::int32_t>(state_[1])); }
std::string clsMD5HASH::RegisterC() const { return std::to_string(static_cast<std::int32_t>(state_[2])); }
std::string clsMD5HASH::RegisterD() const { return std::to_string(static_cast<std::int32_t>(state_[3])); }

std::string clsMD5HASH::DigestStrToHexStr(const std::string& SourceString) {
    if (SourceString.size() > static_cast<std::size_t>(kMaxUpdateLength)) vb::Raise(vb::errOverflow);
    MD5Init();
    Update(reinterpret_cast<const std::uint8_t*>(SourceString.data()), static_cast<std::int32_t>(SourceString.size()));
    MD5Final();
    return GetValues();
}

void clsMD5HASH::ReportProgress(float value) {
    if (progressObject_) progressObject_->Call(progressProc_, value);
}

std::string clsMD5HASH::DigestFileToHexStr(const std::string& FileName) {
    if (!plat::FileExists(FileName)) vb::Raise(vb::errFileNotFound);
    FdCloser file{::open(FileName.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) vb::Raise(vb::errPathFileAccess);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) vb::Raise(vb::errPathFileAccess);
    const std::int64_t fileLength = st.st_size;
    // Such a file could only end in the overflow of MD5Final; say so before
    // reading it all.
    if (fileLength >= kMaxMessageLength) vb::Raise(vb::errOverflow);
    const std::int64_t blocks = (fileLength + 63) / 64;

    // Which blocks are followed by a progress call: every one when more
    // grades than blocks are asked for, else every n-th. No grades: only the
    // calls at the start and the end.
    std::int64_t every = 0;
    if (progressObject_ && progressGrades_ > 0) {
        every = progressGrades_ > blocks
                    ? 1
                    : static_cast<std::int64_t>(std::nearbyint(static_cast<double>(blocks) / progressGrades_));
        if (every < 1) every = 1;
    }

    ReportProgress(progressMin_);
    MD5Init();

    // Read in large chunks; hashing them block by block gives the same count
    // and buffer as reading 64 bytes at a time.
    constexpr std::size_t kChunk = 1 << 16;
    std::vector<std::uint8_t> chunk(kChunk);
    std::int64_t bytesRead = 0;
    std::int64_t blockNumber = 0;
    for (;;) {
        const std::int64_t n = static_cast<std::int64_t>(ReadFull(file.fd, chunk.data(), kChunk));
        if (n == 0) break;
        if (bytesRead + n >= kMaxMessageLength) vb::Raise(vb::errOverflow);  // the file grew meanwhile
        if (every == 0) {
            Update(chunk.data(), static_cast<std::int32_t>(n));
            bytesRead += n;
            continue;
        }
        for (std::int64_t off = 0; off < n; off += 64) {
            const std::int32_t len = static_cast<std::int32_t>(n - off < 64 ? n - off : 64);
            Update(chunk.data() + off, len);
            bytesRead += len;
            ++blockNumber;
            if (blockNumber % every == 0) {
                const double done = fileLength > 0 ? static_cast<double>(bytesRead) / fileLength : 1.0;
                ReportProgress(static_cast<float>(progressMin_ + (progressMax_ - progressMin_) * done));
            }
        }
    }
    ::close(file.fd);
    file.fd = -1;

    MD5Final();
    ReportProgress(progressMax_);
    return GetValues();
}

std::int32_t clsMD5HASH::LongLeftRotate(std::int32_t& Value, std::int32_t& Bits) {
    Bits %= 32;
    if (Bits <= 0) return Value;
    Value = static_cast<std::int32_t>(Rotl(static_cast<std::uint32_t>(Value), Bits));
    return Value;
}

std::shared_ptr<IProgressTarget> clsMD5HASH::ProgressObject() const { return progressObject_; }
void clsMD5HASH::ProgressObject(std::shared_ptr<IProgressTarget> object) { progressObject_ = std::move(object); }
std::string clsMD5HASH::ProgressProc() const { return progressProc_; }
void clsMD5HASH::ProgressProc(const std::string& name) { progressProc_ = name; }
float clsMD5HASH::ProgressMin() const { return progressMin_; }
void clsMD5HASH::ProgressMin(float value) { progressMin_ = value; }
float clsMD5HASH::ProgressMax() const { return progressMax_; }
void clsMD5HASH::ProgressMax(float value) { progressMax_ = value; }

void clsMD5HASH::SetProgressProc(std::shared_ptr<IProgressTarget> NewProgressObject, const std::string& NewProgressProc,
                                 float NewProgressMin, float NewProgressMax, std::int32_t NewProgressGrades) {
    if (NewProgressObject) {
        progressObject_ = std::move(NewProgressObject);
        progressProc_ = NewProgressProc;
    } else {
        progressObject_.reset();
        progressProc_.clear();
    }
    progressMin_ = NewProgressMin;
    progressMax_ = NewProgressMax;
    progressGrades_ = NewProgressGrades;
}

}  // namespace vedb
