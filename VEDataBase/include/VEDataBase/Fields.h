#pragma once
// The values of one record, held in one block of memory.
//
// A user of 100,000 records keeps every value in memory for as long as the
// user is logged in. A vector of strings cost each record a vector, nine
// string objects of 32 bytes (mostly empty, or holding a few bytes) and one
// more allocation for every value longer than fifteen bytes: about three
// times the values themselves. Here a record is one block: the number of
// values, the end of each value, then the values back to back. A value is
// any bytes, NUL and the separator included.
//
// Values are read as string views, which stay valid until the record is
// next changed; they are changed only through Set, resize and push_back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vedb {

class Fields {
public:
    Fields() = default;
    explicit Fields(std::size_t count) { resize(count); }
    Fields(std::initializer_list<std::string_view> values) { Assign(std::span(values.begin(), values.size())); }
    Fields(const std::vector<std::string>& values) {
        std::vector<std::string_view> views(values.begin(), values.end());
        Assign(views);
    }

    // Replaces every value by `values`, in one allocation.
    void Assign(std::span<const std::string_view> values) {
        std::size_t bytes = 0;
        for (std::string_view v : values) bytes += v.size();
        Block block = NewBlock(values.size(), bytes);
        std::size_t end = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            end += values[i].size();
            PutNumber(block, i + 1, end);
        }
        for (std::string_view v : values) block.insert(block.end(), v.begin(), v.end());
        block_ = std::move(block);
    }

    std::size_t size() const { return Number(0); }
    bool empty() const { return block_.empty(); }

    // const: `fields[i] = value` must not compile as an assignment to a
    // temporary view; a value changes through Set. Checked, as a view past
    // the block would read memory the record does not own.
    const std::string_view operator[](std::size_t i) const {
        if (i >= size()) throw std::out_of_range("vedb::Fields: no such value");
        const std::size_t from = i == 0 ? 0 : Number(i);
        return std::string_view(block_.data() + HeaderSize(size()) + from, Number(i + 1) - from);
    }

    // Value `i` becomes `value`; the other values stay as they are.
    void Set(std::size_t i, std::string_view value) {
        const std::size_t n = size();
        if (i >= n) throw std::out_of_range("vedb::Fields::Set");
        const std::size_t data = HeaderSize(n);
        const std::size_t from = i == 0 ? 0 : Number(i);
        const std::size_t to = Number(i + 1);
        if (value.size() == to - from) {
            // memmove: the value may be a view of another value here.
            if (!value.empty()) std::memmove(block_.data() + data + from, value.data(), value.size());
            return;
        }
        // A new block of the exact size (`value` may be a view of the old).
        const std::size_t bytes = Number(n) - (to - from) + value.size();
        Block block = NewBlock(n, bytes);
        for (std::size_t k = 1; k <= n; ++k)
            PutNumber(block, k, k <= i ? Number(k) : Number(k) - (to - from) + value.size());
        const char* old = block_.data() + data;
        block.insert(block.end(), old, old + from);
        block.insert(block.end(), value.begin(), value.end());
        block.insert(block.end(), old + to, old + Number(n));
        block_ = std::move(block);
    }

    // Keeps the first `count` values; new ones are empty.
    void resize(std::size_t count) {
        const std::size_t n = size();
        if (count == n) return;
        const std::size_t keep = count < n ? count : n;
        const std::size_t bytes = keep == 0 ? 0 : Number(keep);
        Block block = NewBlock(count, bytes);
        for (std::size_t k = 1; k <= count; ++k) PutNumber(block, k, k <= keep ? Number(k) : bytes);
        const char* old = block_.data() + HeaderSize(n);
        block.insert(block.end(), old, old + bytes);
        block_ = std::move(block);
    }

    void push_back(std::string_view value) {
        const std::string copy(value);
        const std::size_t n = size();
        resize(n + 1);
        Set(n, copy);
    }

    void pop_back() {
        if (empty()) throw std::out_of_range("vedb::Fields::pop_back");
        resize(size() - 1);
    }

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const std::string_view operator*() const { return (*owner_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator was = *this;
            ++i_;
            return was;
        }
        difference_type operator-(const const_iterator& o) const {
            return static_cast<difference_type>(i_) - static_cast<difference_type>(o.i_);
        }
        friend bool operator==(const const_iterator&, const const_iterator&) = default;

    private:
        friend class Fields;
        const_iterator(const Fields* owner, std::size_t i) : owner_(owner), i_(i) {}
        const Fields* owner_ = nullptr;
        std::size_t i_ = 0;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size()); }

    // Equal when the values are: a record's block has only one form.
    friend bool operator==(const Fields&, const Fields&) = default;

private:
    using Block = std::vector<char>;  // no inline buffer: the size is the allocation's

    // The count and each value's end, as 32-bit numbers before the values.
    static constexpr std::size_t HeaderSize(std::size_t count) { return count == 0 ? 0 : (count + 1) * 4; }
    // A block of `count` values and room for `bytes` of them, its header
    // holding the count; empty for no values.
    static Block NewBlock(std::size_t count, std::size_t bytes) {
        Block block;
        if (count == 0) return block;
        block.reserve(HeaderSize(count) + bytes);
        block.resize(HeaderSize(count));
        PutNumber(block, 0, count);
        return block;
    }
    std::size_t Number(std::size_t k) const {
        if (block_.size() < (k + 1) * 4) return 0;
        std::uint32_t v = 0;
        std::memcpy(&v, block_.data() + k * 4, 4);
        return v;
    }
    static void PutNumber(Block& block, std::size_t k, std::size_t n) {
        if (n > UINT32_MAX) throw std::length_error("vedb::Fields: a record of over 4 GiB");
        const auto v = static_cast<std::uint32_t>(n);
        std::memcpy(block.data() + k * 4, &v, 4);
    }

    Block block_;  // empty for no values
};

}  // namespace vedb
