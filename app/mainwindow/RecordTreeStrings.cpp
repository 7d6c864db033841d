#include "app/mainwindow/RecordTreeStrings.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

std::uint32_t Size32(std::size_t size) {
    if (size > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("record tree node text too long");
    return static_cast<std::uint32_t>(size);
}

}  // namespace

std::size_t RecordTreeStrings::TextBytes(const Header& h) {
    return h.form == kUtf16 ? std::size_t{h.textSize} * 2 : h.form == kLatin1 ? h.textSize : 0;
}

RecordTreeStrings::Header RecordTreeStrings::Read() const {
    Header h;
    if (!bytes_) return h;
    std::memcpy(&h.keySize, bytes_.get(), 4);
    std::memcpy(&h.textSize, bytes_.get() + 4, 4);
    std::memcpy(&h.form, bytes_.get() + 8, 1);
    return h;
}

std::unique_ptr<char[]> RecordTreeStrings::Block(std::string_view key, Header header, std::size_t textBytes) {
    auto block = std::make_unique_for_overwrite<char[]>(kHeaderSize + key.size() + textBytes);
    std::memcpy(block.get(), &header.keySize, 4);
    std::memcpy(block.get() + 4, &header.textSize, 4);
    std::memcpy(block.get() + 8, &header.form, 1);
    if (!key.empty()) std::memcpy(block.get() + kHeaderSize, key.data(), key.size());
    return block;
}

std::string_view RecordTreeStrings::Key() const {
    const Header h = Read();
    return h.keySize ? std::string_view(bytes_.get() + kHeaderSize, h.keySize) : std::string_view();
}

QString RecordTreeStrings::Text() const {
    const Header h = Read();
    const char* text = bytes_ ? bytes_.get() + kHeaderSize + h.keySize : nullptr;
    switch (h.form) {
        case kLatin1:
            // Not null even when empty: a view of no bytes at a real address.
            return QString::fromLatin1(QByteArrayView(text, h.textSize));
        case kUtf16: {
            QString out(static_cast<qsizetype>(h.textSize), Qt::Uninitialized);
            std::memcpy(out.data(), text, TextBytes(h));
            return out;
        }
        default:
            return QString();
    }
}

void RecordTreeStrings::SetKey(std::string_view key) {
    Header h = Read();
    const std::size_t textBytes = TextBytes(h);
    const char* text = bytes_ ? bytes_.get() + kHeaderSize + h.keySize : nullptr;
    h.keySize = Size32(key.size());
    std::unique_ptr<char[]> block = Block(key, h, textBytes);
    if (textBytes) std::memcpy(block.get() + kHeaderSize + key.size(), text, textBytes);
    bytes_ = std::move(block);
}

void RecordTreeStrings::SetText(const QString& text) { Set(Key(), text); }

void RecordTreeStrings::Set(std::string_view key, const QString& text) {
    // `key` may lie in the old block, which is given up only at the end.
    Header h;
    h.keySize = Size32(key.size());
    h.textSize = Size32(static_cast<std::size_t>(text.size()));
    h.form = kNull;
    if (!text.isNull()) {
        h.form = kLatin1;
        for (QChar c : text)
            if (c.unicode() > 0xFF) {
                h.form = kUtf16;
                break;
            }
    }
    const std::size_t textBytes = TextBytes(h);
    std::unique_ptr<char[]> block = Block(key, h, textBytes);
    char* out = block.get() + kHeaderSize + key.size();
    if (h.form == kUtf16)
        std::memcpy(out, text.constData(), textBytes);
    else if (h.form == kLatin1)
        for (QChar c : text) *out++ = static_cast<char>(c.unicode());
    bytes_ = std::move(block);
}
