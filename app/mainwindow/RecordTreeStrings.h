#pragma once
// A record node's key and text, in one allocation of their bytes: the text as
// one byte a character where every character fits one (Latin-1, as most
// titles are), else as its UTF-16 units. A std::string key and a QString text
// cost 56 bytes in the node and a string block of its own for the text; this
// costs one pointer and a block about half the size. Both read back exactly
// as set: the key byte for byte, the text unit for unit (a null text stays
// null, an empty one empty).
#include <QString>
#include <cstdint>
#include <memory>
#include <string_view>

class RecordTreeStrings {
public:
    RecordTreeStrings() = default;

    std::string_view Key() const;
    // The text as set; null when none was set.
    QString Text() const;
    // Each raises std::bad_alloc and leaves both as they were when the
    // memory runs out, and std::length_error for a key or text of 4 GiB.
    void SetKey(std::string_view key);
    void SetText(const QString& text);
    // Both at once, in one allocation.
    void Set(std::string_view key, const QString& text);
    // Frees the text's bytes; Text() is null again.
    void ClearText() { SetText(QString()); }

private:
    enum Form : std::uint8_t { kNull, kLatin1, kUtf16 };
    struct Header {
        std::uint32_t keySize = 0;   // bytes
        std::uint32_t textSize = 0;  // characters (Latin-1) or units (UTF-16)
        Form form = kNull;
    };
    static constexpr std::size_t kHeaderSize = 9;  // as packed in the block

    Header Read() const;
    static std::size_t TextBytes(const Header& h);
    // A block with room for the header, the key and `textBytes` bytes of
    // text, the header and the key written.
    static std::unique_ptr<char[]> Block(std::string_view key, Header header, std::size_t textBytes);

    std::unique_ptr<char[]> bytes_;  // the header, the key, the text; or none
};
