#pragma once
// MD5 over code-page bytes, digests as 32 upper-case hex characters.
//
// The rounds, constants and initial state are MD5's, but the final padding is
// this system's own: the pad length is 56 - r when r <= 56 and 120 - L (not
// 120 - r) otherwise, for L message bytes and r = L mod 64. So a message of
// 56 mod 64 bytes gets no 0x80 byte and no zeros, and one longer than 64
// bytes that is 57..63 mod 64 has its last r - 56 bytes overwritten by the
// length field. Every stored password hash, check line and file key was made
// this way: the padding must not be "fixed".
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ComObject.h"
#include "VEDataBase/_clsMD5HASH.h"

namespace vedb {

class clsMD5HASH final : public ComObject<_clsMD5HASH> {
public:
    // Longest string DigestStrToHexStr and one MD5Update take: their
    // positions are 16-bit. Longer input raises error 6.
    static constexpr std::int32_t kMaxUpdateLength = 32767;

    clsMD5HASH() = default;

    std::string RegisterA() const override;
    std::string RegisterB() const override;
    std::string RegisterC() const override;
    std::string RegisterD() const override;

    // Raises 53 for a missing file, 75 when it cannot be read, 6 where the
    // length limits of MD5Final are passed.
    std::string DigestFileToHexStr(const std::string& FileName) override;
    // Raises 6 for more than kMaxUpdateLength characters.
    std::string DigestStrToHexStr(const std::string& SourceString) override;
    std::string GetValues() const override;

    void MD5Init() override;
    // Raises 6 when the bit count of the message reaches 2^31, and when the
    // message is longer than 32,887 bytes and 57..63 mod 64 (its pad length
    // no longer fits 16 bits).
    void MD5Final() override;
    // Takes InputLen bytes from index 0 of InputBuffer. Raises 6 for more
    // than kMaxUpdateLength bytes or a total that overflows the 32-bit count,
    // 9 when the buffer holds fewer than InputLen bytes and 5 for a negative
    // InputLen.
    void MD5Update(std::int32_t InputLen, const std::vector<std::uint8_t>& InputBuffer) override;

    // Bits is reduced mod 32 keeping its sign and written back; for a result
    // <= 0 Value is returned unrotated, otherwise rotated left, written back
    // and returned.
    std::int32_t LongLeftRotate(std::int32_t& Value, std::int32_t& Bits) override;

    std::shared_ptr<IProgressTarget> ProgressObject() const override;
    void ProgressObject(std::shared_ptr<IProgressTarget> object) override;
    std::string ProgressProc() const override;
    void ProgressProc(const std::string& name) override;
    float ProgressMin() const override;
    void ProgressMin(float value) override;
    float ProgressMax() const override;
    void ProgressMax(float value) override;
    // Grades <= 0 (also when omitted) give only the calls at the start and
    // the end of a file.
    void SetProgressProc(std::shared_ptr<IProgressTarget> NewProgressObject, const std::string& NewProgressProc = {},
                         float NewProgressMin = 0.0f, float NewProgressMax = 1.0f,
                         std::int32_t NewProgressGrades = 0) override;

private:
    ~clsMD5HASH() override = default;

    void Update(const std::uint8_t* input, std::int32_t length);
    void Transform(const std::uint8_t* block);
    void ReportProgress(float value);

    std::uint32_t state_[4] = {0, 0, 0, 0};
    std::int32_t count_ = 0;
    std::uint8_t buffer_[64] = {};

    std::shared_ptr<IProgressTarget> progressObject_;
    std::string progressProc_;
    float progressMin_ = 0.0f;
    float progressMax_ = 0.0f;
    std::int32_t progressGrades_ = 0;
};

}  // namespace vedb
