#pragma once
// Byte-transparent text files of code-page bytes: lines end in CR LF. Every
// byte 0x00-0xFF passes unchanged; only the CR LF pair separates lines, so a
// lone CR or LF is part of its line.
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace plat {

class AtomicFile;

// Writes a text file that replaces its target only when Close succeeds:
// until then the old file (or its absence) stays as it was, and a writer
// destroyed without Close leaves the target untouched. Failures raise
// run-time error 75 (76 when the folder is missing), as AtomicFile does; once
// a write has failed the writer stays failed, so Close can never commit a
// file with a gap in it.
class TextWriter {
public:
    // A new target gets `mode`; an existing one keeps its permission bits.
    explicit TextWriter(std::string target, mode_t mode = 0600);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void Write(std::string_view bytes);
    // The bytes followed by CR LF.
    void WriteLine(std::string_view bytes = {});
    // Writes everything out and commits the file atomically. A second Close
    // does nothing.
    void Close();
    // Drops what was written; the target stays as it was.
    void Abandon() noexcept;

    bool IsOpen() const noexcept { return file_ != nullptr; }

private:
    void Flush();
    void CheckOpen() const;

    std::unique_ptr<AtomicFile> file_;
    std::string buffer_;
    bool failed_ = false;
    bool closed_ = false;
};

// Reads a whole text file at once and hands it out line by line.
class TextReader {
public:
    // Raises 53 when the file is missing, 75 when it cannot be read.
    explicit TextReader(const std::string& path);
    // A reader over bytes already in memory.
    static TextReader FromBytes(std::string bytes);

    TextReader(TextReader&&) noexcept = default;
    TextReader& operator=(TextReader&&) noexcept = default;

    // The bytes up to the next CR LF (not included), or the rest of the file
    // when no CR LF follows. Raises 62 ("Input past end of file") at the end.
    std::string ReadLine();
    // Skips one line as ReadLine would read it; raises 62 at the end.
    void SkipLine();
    // True once every byte has been read: at once for an empty file, and
    // right after the last line of a file that ends in CR LF.
    bool AtEndOfStream() const noexcept { return pos_ >= content_.size(); }
    // The 1-based number of the line the next ReadLine returns.
    std::int64_t Line() const noexcept { return line_; }
    // Releases the content; reading after Close raises 62.
    void Close() noexcept;

private:
    TextReader() = default;
    // The end of the current line and where the next one starts.
    std::size_t NextLine(std::size_t& next) const;

    std::string content_;
    std::size_t pos_ = 0;
    std::int64_t line_ = 1;
};

}  // namespace plat
