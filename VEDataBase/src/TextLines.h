#pragma once
// The lines of a database text held in memory, handed out as views into it.
// Only the CR LF pair ends a line (a lone CR or LF belongs to its line), and
// the last line may lack it. A position can be kept and gone back to, so a
// reader can look ahead without consuming.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/VbError.h"

namespace vedb {

class TextLines {
public:
    explicit TextLines(std::string text) : text_(std::move(text)) {}

    // True once every byte has been read.
    bool AtEnd() const noexcept { return pos_ >= text_.size(); }
    std::size_t Size() const noexcept { return text_.size(); }

    // The next line; raises 62 ("Input past end of file") at the end. The
    // view stays valid as long as this object.
    std::string_view Next() {
        if (AtEnd()) vb::Raise(vb::errInputPastEnd);
        const char* base = text_.data();
        const std::size_t size = text_.size();
        std::size_t end = pos_;
        for (;;) {
            const void* cr = std::memchr(base + end, '\r', size - end);
            if (!cr) {
                end = size;
                break;
            }
            end = static_cast<std::size_t>(static_cast<const char*>(cr) - base);
            if (end + 1 < size && base[end + 1] == '\n') break;
            ++end;
        }
        std::string_view line(base + pos_, end - pos_);
        pos_ = end < size ? end + 2 : size;
        ++line_;
        return line;
    }

    // How many lines are still to be read: a bound that the file's own
    // bytes give, whatever a count in it says. The whole text is counted
    // once, on the first call.
    std::size_t LinesLeft() {
        if (lines_ < 0) {
            std::int64_t n = 0;
            const char* p = text_.data();
            const char* end = p + text_.size();
            while ((p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p))))) {
                if (++p < end && *p == '\n') ++n;
            }
            // A last line without CR LF counts too.
            if (!text_.empty() && !(text_.size() >= 2 && text_.compare(text_.size() - 2, 2, "\r\n") == 0)) ++n;
            lines_ = n;
        }
        return static_cast<std::size_t>(std::max<std::int64_t>(0, lines_ - (line_ - 1)));
    }

    // The 1-based number of the line Next returns.
    std::int64_t Line() const noexcept { return line_; }

    struct Mark {
        std::size_t pos;
        std::int64_t line;
    };
    Mark Here() const noexcept { return {pos_, line_}; }
    void Back(Mark m) noexcept {
        pos_ = m.pos;
        line_ = m.line;
    }

private:
    std::string text_;
    std::size_t pos_ = 0;
    std::int64_t line_ = 1;
    std::int64_t lines_ = -1;  // all lines of the text, once counted
};

}  // namespace vedb
