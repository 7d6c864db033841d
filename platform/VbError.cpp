#include "platform/VbError.h"

namespace vb {

std::string StandardDescription(long number) {
    switch (number) {
        case errInvalidCall: return "Invalid procedure call or argument";
        case errOverflow: return "Overflow";
        case errOutOfMemory: return "Out of memory";
        case errSubscript: return "Subscript out of range";
        case errDivisionByZero: return "Division by zero";
        case errTypeMismatch: return "Type mismatch";
        case errFileNotFound: return "File not found";
        case errInputPastEnd: return "Input past end of file";
        case errPathFileAccess: return "Path/File access error";
        case errPathNotFound: return "Path not found";
        case errObjectNotSet: return "Object variable or With block variable not set";
        case errCantCreateObject: return "ActiveX component can't create object";
        default: return "Application-defined or object-defined error";
    }
}

VbError::VbError(long number, std::string description, std::string source)
    : std::runtime_error(description.empty() ? StandardDescription(number) : description),
      number_(number),
      description_(description.empty() ? StandardDescription(number) : std::move(description)),
      source_(std::move(source)) {}

void Raise(long number, const std::string& source) { throw VbError(number, {}, source); }

}  // namespace vb
