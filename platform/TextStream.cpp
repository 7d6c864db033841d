#include "platform/TextStream.h"

#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace plat {

namespace {

// Lines are collected and written in chunks of about this size.
constexpr std::size_t kFlushSize = 64 * 1024;

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

TextWriter::TextWriter(std::string target, mode_t mode)
    : file_(std::make_unique<AtomicFile>(std::move(target), mode)) {}

TextWriter::~TextWriter() { Abandon(); }

void TextWriter::CheckOpen() const {
    if (failed_ || !file_) {
        vb::Raise(vb::errPathFileAccess);
    }
}

void TextWriter::Flush() {
    if (buffer_.empty()) {
        return;
    }
    try {
        file_->Write(buffer_);
    } catch (...) {
        failed_ = true;
        file_->Abandon();
        throw;
    }
    buffer_.clear();
}

void TextWriter::Write(std::string_view bytes) {
    CheckOpen();
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushSize) {
        Flush();
    }
}

void TextWriter::WriteLine(std::string_view bytes) {
    CheckOpen();
    buffer_.append(bytes);
    buffer_.append(kLineEnd);
    if (buffer_.size() >= kFlushSize) {
        Flush();
    }
}

void TextWriter::Close() {
    if (closed_) {
        return;
    }
    CheckOpen();
    Flush();
    try {
        file_->Commit();
    } catch (...) {
        failed_ = true;
        file_.reset();
        buffer_.clear();
        throw;
    }
    file_.reset();
    closed_ = true;
}

void TextWriter::Abandon() noexcept {
    if (file_) {
        file_->Abandon();
        file_.reset();
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
    if (!closed_) {
        failed_ = true;
    }
}

TextReader::TextReader(const std::string& path) : content_(ReadFileOrRaise(path)) {}

TextReader TextReader::FromBytes(std::string bytes) {
    TextReader r;
    r.content_ = std::move(bytes);
    return r;
}

std::size_t TextReader::NextLine(std::size_t& next) const {
    if (AtEndOfStream()) {
        vb::Raise(vb::errInputPastEnd);
    }
    std::size_t end = content_.find(kLineEnd, pos_);
    if (end == std::string::npos) {
        next = content_.size();
        return content_.size();
    }
    next = end + kLineEnd.size();
    return end;
}

std::string TextReader::ReadLine() {
    std::size_t next = 0;
    std::size_t end = NextLine(next);
    std::string line = content_.substr(pos_, end - pos_);
    pos_ = next;
    ++line_;
    return line;
}

void TextReader::SkipLine() {
    std::size_t next = 0;
    NextLine(next);
    pos_ = next;
    ++line_;
}

void TextReader::Close() noexcept {
    content_.clear();
    content_.shrink_to_fit();
    pos_ = 0;
}

}  // namespace plat
