#include "clsRC4.h"

#include <cstring>
#include <exception>
#include <optional>

#include "platform/FileIO.h"

namespace vedb {
namespace {

// The RC4 output generator over `data`, starting from a copy of `perm`.
// Four key-stream bytes are gathered into one word and XORed at once; the
// byte order of the gathered word matches memory order on this little-endian
// target, so the result is byte for byte the classic one-byte loop. The four
// steps are written out: a loop or a helper for them measured a quarter
// slower, since the compiler then keeps i, j or S in memory between steps.
void GenerateInPlace(const std::array<std::uint32_t, 256>& perm, unsigned char* data, std::size_t n) {
    std::uint32_t S[256];
    std::memcpy(S, perm.data(), sizeof S);
    std::uint32_t i = 0;
    std::uint32_t j = 0;
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the word-wise XOR assumes little-endian memory");
    // One step of the generator; the key-stream byte is left in `out`.
#define QPM_RC4_STEP(out)              \
    do {                               \
        i = (i + 1) & 255;             \
        const std::uint32_t si = S[i]; \
        j = (j + si) & 255;            \
        const std::uint32_t sj = S[j]; \
        S[i] = sj;                     \
        S[j] = si;                     \
        (out) = S[(si + sj) & 255];    \
    } while (0)
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        std::uint32_t b0, b1, b2, b3;
        QPM_RC4_STEP(b0);
        QPM_RC4_STEP(b1);
        QPM_RC4_STEP(b2);
        QPM_RC4_STEP(b3);
        std::uint32_t word;
        std::memcpy(&word, data + k, sizeof word);
        word ^= b0 | (b1 << 8) | (b2 << 16) | (b3 << 24);
        std::memcpy(data + k, &word, sizeof word);
    }
    for (; k < n; ++k) {
        std::uint32_t b;
        QPM_RC4_STEP(b);
        data[k] ^= static_cast<unsigned char>(b);
    }
#undef QPM_RC4_STEP
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The value of one hex digit, or -1.
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decodes hex text pair by pair, from the first character: a pair counts its
// digits up to the first character that is no hex digit, so "A" followed by
// a non-digit is 10 and a pair that starts with a non-digit is 0. A last lone
// character is read by itself.
std::string DecodeHexPairs(const std::string& hex) {
    std::string out;
    out.reserve((hex.size() + 1) / 2);
    for (std::size_t p = 0; p < hex.size(); p += 2) {
        int value = 0;
        int high = HexValue(hex[p]);
        if (high >= 0) {
            value = high;
            if (p + 1 < hex.size()) {
                int low = HexValue(hex[p + 1]);
                if (low >= 0) value = high * 16 + low;
            }
        }
        out.push_back(static_cast<char>(value));
    }
    return out;
}

std::string EncodeHex(const std::string& bytes) {
    std::string out(bytes.size() * 2, '\0');
    char* o = out.data();
    for (unsigned char c : bytes) {
        *o++ = kHexDigits[c >> 4];
        *o++ = kHexDigits[c & 15];
    }
    return out;
}

}  // namespace

clsRC4::clsRC4() { Key(kDefaultKey); }

std::string clsRC4::Key() const { return key_; }

void clsRC4::Key(const std::string& New_Value) {
    if (New_Value.empty() || New_Value == key_) return;
    key_ = New_Value;
    for (std::uint32_t i = 0; i < 256; ++i) perm_[i] = i;
    const std::size_t len = key_.size();
    std::uint32_t j = 0;
    for (std::size_t i = 0; i < 256; ++i) {
        j = (j + perm_[i] + static_cast<unsigned char>(key_[i % len])) & 255;
        std::swap(perm_[i], perm_[j]);
    }
}

void clsRC4::SetProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }

void clsRC4::RaiseProgress() {
    if (!progress_) return;
    std::int32_t percent = 100;
    progress_(percent);
}

void clsRC4::CipherInPlace(char* data, std::size_t length, const std::string& Key) {
    if (!Key.empty()) this->Key(Key);
    if (length > 0) GenerateInPlace(perm_, reinterpret_cast<unsigned char*>(data), length);
    RaiseProgress();
}

void clsRC4::EncryptByte(ByteArray& byteArray, const std::string& Key) {
    CipherInPlace(reinterpret_cast<char*>(byteArray.data()), byteArray.size(), Key);
}

// RC4 is its own inverse.
void clsRC4::DecryptByte(ByteArray& byteArray, const std::string& Key) { EncryptByte(byteArray, Key); }

std::string clsRC4::EncryptString(const std::string& text, const std::string& Key, bool OutputInHex) {
    if (text.empty()) return {};
    std::string bytes = text;
    CipherInPlace(bytes.data(), bytes.size(), Key);
    return OutputInHex ? EncodeHex(bytes) : bytes;
}

std::uint8_t clsRC4::EncryptBytesString(ByteArray& text, const std::string& Key, bool /*OutputInHex*/) {
    if (text.empty()) return 0;
    EncryptByte(text, Key);
    return 17;
}

std::string clsRC4::DecryptString(std::string& text, const std::string& Key, bool IsTextInHex) {
    if (IsTextInHex) text = DecodeHexPairs(text);
    if (text.empty()) return {};
    std::string bytes = text;
    CipherInPlace(bytes.data(), bytes.size(), Key);
    return bytes;
}

std::string clsRC4::DecryptBytesString(ByteArray& text, const std::string& Key, bool /*IsTextInHex*/) {
    if (text.empty()) return {};
    DecryptByte(text, Key);
    return std::string(text.begin(), text.end());
}

bool clsRC4::EncryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                         const std::string& Key) {
    return CipherFile(InFile, OutFile, Overwrite, Key);
}

bool clsRC4::DecryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                         const std::string& Key) {
    return CipherFile(InFile, OutFile, Overwrite, Key);
}

// The whole input is read before anything is written, and the output is
// replaced only once the new content is safely on disk, so a file can be
// enciphered onto itself and a failed write never costs the old file.
bool clsRC4::CipherFile(const std::string& InFile, const std::string& OutFile, bool Overwrite, const std::string& Key) {
    if (!plat::FileExists(InFile)) return false;
    if (plat::FileExists(OutFile) && !Overwrite) return false;
    try {
        std::optional<std::string> content = plat::ReadWholeFile(InFile);
        if (!content) return false;
        // An empty input gives an empty output; the key is then not applied.
        if (!content->empty()) CipherInPlace(content->data(), content->size(), Key);
        plat::ReplaceFile(OutFile, *content);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vedb
