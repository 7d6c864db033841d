#pragma once
// RC4 stream cipher over code-page bytes. The key schedule runs once when the
// key changes; every enciphering call starts the key stream afresh from the
// kept permutation, so the same key always gives the same stream (database
// lines and whole files are enciphered this way, and stored files depend on
// it). No output bytes are dropped.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ComObject.h"
#include "VEDataBase/_clsRC4.h"

namespace vedb {

class clsRC4 final : public ComObject<_clsRC4> {
public:
    // The key a new object enciphers under.
    static constexpr const char* kDefaultKey = "plumvase";

    clsRC4();

    // Both read the input whole and replace the output atomically (temporary
    // file beside it, then a rename), so InFile and OutFile may be the same
    // file and a failure leaves the output exactly as it was. False when the
    // input is missing, when the output exists and Overwrite is False, and on
    // any read or write failure.
    bool EncryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                     const std::string& Key = {}) override;
    bool DecryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                     const std::string& Key = {}) override;

    void DecryptByte(ByteArray& byteArray, const std::string& Key = {}) override;
    void EncryptByte(ByteArray& byteArray, const std::string& Key = {}) override;
    std::string EncryptString(const std::string& text, const std::string& Key = {}, bool OutputInHex = false) override;
    std::uint8_t EncryptBytesString(ByteArray& text, const std::string& Key = {}, bool OutputInHex = false) override;
    std::string DecryptString(std::string& text, const std::string& Key = {}, bool IsTextInHex = false) override;
    std::string DecryptBytesString(ByteArray& text, const std::string& Key = {}, bool IsTextInHex = false) override;

    std::string Key() const override;
    // Ignores the empty key and the current key; anything else becomes the
    // key and runs the key schedule.
    void Key(const std::string& New_Value) override;

    void CipherInPlace(char* data, std::size_t length, const std::string& Key = {}) override;
    void SetProgressHandler(ProgressHandler handler) override;

private:
    ~clsRC4() override = default;

    bool CipherFile(const std::string& InFile, const std::string& OutFile, bool Overwrite, const std::string& Key);
    void RaiseProgress();

    std::string key_;
    // The permutation after the key schedule of key_; enciphering works on a
    // copy and never changes it. Entries are 0..255, held as words so the
    // generator's loads and stores need no byte extension.
    std::array<std::uint32_t, 256> perm_{};
    ProgressHandler progress_;
};

}  // namespace vedb
