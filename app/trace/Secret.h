#pragma once
// A text that must never appear in an error report: a typed or generated
// password, a password hash, a file key, or a record's "Password", "Login" and
// "Description" values. The dump writes a non-empty Secret as "{Hidden}" and an
// empty one in its usual empty form, in parameter dumps, locals and globals
// alike, so hiding does not depend on what a variable is called. The bytes
// are wiped when the value is dropped.
//
// There is deliberately no implicit conversion to std::string: a copy into a
// plain string would be dumped in the clear. Use str() where the bytes are
// really needed (hashing, ciphering, comparing, showing in its own box).
#include <string>
#include <string_view>
#include <utility>

namespace trace {

class Secret {
public:
    Secret() = default;
    Secret(std::string value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
    Secret(const char* value) : value_(value) {}             // NOLINT
    Secret(const Secret& other) : value_(other.value_) {}
    Secret(Secret&& other) noexcept : value_(std::move(other.value_)) { other.Wipe(); }
    Secret& operator=(const Secret& other) {
        if (this != &other) {
            Wipe();
            value_ = other.value_;
        }
        return *this;
    }
    Secret& operator=(Secret&& other) noexcept {
        if (this != &other) {
            Wipe();
            value_ = std::move(other.value_);
            other.Wipe();
        }
        return *this;
    }
    ~Secret() { Wipe(); }

    const std::string& str() const noexcept { return value_; }
    bool empty() const noexcept { return value_.empty(); }
    std::size_t size() const noexcept { return value_.size(); }
    void clear() noexcept { Wipe(); }

    friend bool operator==(const Secret& a, const Secret& b) { return a.value_ == b.value_; }
    friend bool operator==(const Secret& a, std::string_view b) { return a.value_ == b; }

private:
    void Wipe() noexcept;
    std::string value_;
};

}  // namespace trace
