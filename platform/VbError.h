#pragma once
// The run-time error of the original runtime: a number, a description and the
// source that raised it. Library members without an error handler let it reach
// their caller; members with a handler turn it into their integer results.
#include <stdexcept>
#include <string>

namespace vb {

// Numbers of the run-time errors this system raises or catches.
enum ErrorNumber : long {
    errInvalidCall = 5,
    errOverflow = 6,
    errOutOfMemory = 7,
    errSubscript = 9,
    errDivisionByZero = 11,
    errTypeMismatch = 13,
    errFileNotFound = 53,
    errInputPastEnd = 62,
    errPathFileAccess = 75,
    errPathNotFound = 76,
    errObjectNotSet = 91,
    errCantCreateObject = 429,
};

// The runtime's standard description for an error number ("Overflow" for 6).
std::string StandardDescription(long number);

class VbError : public std::runtime_error {
public:
    VbError(long number, std::string description = {}, std::string source = {});

    long Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }
    const std::string& Source() const noexcept { return source_; }

private:
    long number_;
    std::string description_;
    std::string source_;
};

// Raises run-time error `number` with its standard description.
[[noreturn]] void Raise(long number, const std::string& source = {});

}  // namespace vb
