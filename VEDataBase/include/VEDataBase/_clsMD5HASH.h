#pragma once
// Public interface of the MD5 hash class. Digests are 32 upper-case hex
// characters. Its padding differs from standard MD5 for some lengths; every
// stored hash depends on that, so all hashing goes through this class.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VEDataBase/ClassIds.h"

namespace vedb {

// Stands in for the late-bound progress object: the hash calls
// Call(ProgressProc, value) where the original invoked the named method.
class IProgressTarget {
public:
    virtual ~IProgressTarget() = default;
    virtual void Call(const std::string& procName, float value) = 0;
};

class _clsMD5HASH : public com::IUnknown {
public:
    static constexpr const com::IID& iid = IID__clsMD5HASH;

    virtual std::string RegisterA() const = 0;
    virtual std::string RegisterB() const = 0;
    virtual std::string RegisterC() const = 0;
    virtual std::string RegisterD() const = 0;
    virtual std::string DigestFileToHexStr(const std::string& FileName) = 0;
    virtual std::string DigestStrToHexStr(const std::string& SourceString) = 0;
    virtual std::string GetValues() const = 0;
    virtual void MD5Init() = 0;
    virtual void MD5Final() = 0;
    virtual void MD5Update(std::int32_t InputLen, const std::vector<std::uint8_t>& InputBuffer) = 0;
    virtual std::int32_t LongLeftRotate(std::int32_t& Value, std::int32_t& Bits) = 0;
    virtual std::shared_ptr<IProgressTarget> ProgressObject() const = 0;
    virtual void ProgressObject(std::shared_ptr<IProgressTarget> object) = 0;
    virtual std::string ProgressProc() const = 0;
    virtual void ProgressProc(const std::string& name) = 0;
    virtual float ProgressMin() const = 0;
    virtual void ProgressMin(float value) = 0;
    virtual float ProgressMax() const = 0;
    virtual void ProgressMax(float value) = 0;
    virtual void SetProgressProc(std::shared_ptr<IProgressTarget> NewProgressObject,
                                 const std::string& NewProgressProc = {}, float NewProgressMin = 0.0f,
                                 float NewProgressMax = 1.0f, std::int32_t NewProgressGrades = 0) = 0;
};

}  // namespace vedb
