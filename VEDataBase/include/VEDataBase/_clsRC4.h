#pragma once
// Public interface of the RC4 cipher class. Strings are code-page bytes, one
// byte per character; byte arrays are 0-based. Arguments the original passes by
// reference and writes back are non-const references here.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "VEDataBase/ClassIds.h"

namespace vedb {

using ByteArray = std::vector<std::uint8_t>;

class _clsRC4 : public com::IUnknown {
public:
    static constexpr const com::IID& iid = IID__clsRC4;

    virtual bool EncryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                             const std::string& Key = {}) = 0;
    virtual bool DecryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                             const std::string& Key = {}) = 0;
    virtual void DecryptByte(ByteArray& byteArray, const std::string& Key = {}) = 0;
    virtual std::string EncryptString(const std::string& text, const std::string& Key = {},
                                      bool OutputInHex = false) = 0;
    virtual std::uint8_t EncryptBytesString(ByteArray& text, const std::string& Key = {}, bool OutputInHex = false) = 0;
    // With IsTextInHex the decoded cipher text is written back into `text`.
    virtual std::string DecryptString(std::string& text, const std::string& Key = {}, bool IsTextInHex = false) = 0;
    // The result's storage is the deciphered bytes as they are (no code-page
    // conversion): the original returned them as the raw storage of a string.
    virtual std::string DecryptBytesString(ByteArray& text, const std::string& Key = {}, bool IsTextInHex = false) = 0;
    virtual void EncryptByte(ByteArray& byteArray, const std::string& Key = {}) = 0;
    virtual std::string Key() const = 0;
    virtual void Key(const std::string& New_Value) = 0;

    // In-place ciphering of raw memory: what EncryptByte does, without an
    // array. Used by the library's own members and by callers that already
    // hold the bytes in a string.
    virtual void CipherInPlace(char* data, std::size_t length, const std::string& Key = {}) = 0;

    // The event interface __clsRC4: Progress(Percent), raised once per
    // enciphering call with Percent = 100.
    using ProgressHandler = std::function<void(std::int32_t& Percent)>;
    virtual void SetProgressHandler(ProgressHandler handler) = 0;
};

}  // namespace vedb
