// The line coding over arbitrary bytes: the escapes of CR, LF and NUL and of
// SEP, the splitting of lines, and the cipher step a stored line takes.
// The first byte splits the input into a key and a text.
#include "FuzzSupport.h"
#include "VEDataManagerFormat.h"

using vedb::fmt::HasToken;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t keyLength = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::string key = fuzz::Bytes(data + 1, keyLength);
    const std::string text = fuzz::Bytes(data + 1 + keyLength, size - 1 - keyLength);
    auto m = fuzz::NewManager();

    // Reading a stored line: the escapes undone, then the cipher.
    std::string buf;
    const std::string out = m->ProcessStringOut(text, buf);
    if (out != buf || out.size() > text.size()) std::abort();
    m->DecryptText(out, key);

    // Writing one: whatever the cipher gives stays on one line and comes back
    // (unless the cipher text itself holds a token, which the format cannot
    // tell from an escape).
    const std::string cipher = m->EncryptText(text, key);
    const std::string line = m->ProcessStringIn(cipher, buf);
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) std::abort();
    if (!HasToken(cipher) && m->DecryptText(m->ProcessStringOut(line, buf), key) != text) std::abort();

    // The value escapes are undone exactly when the text held neither escape.
    const std::string stored = vedb::fmt::EscapeValue(text);
    if (!HasToken(text) && text.find(vedb::fmt::kSepEscape) == std::string::npos &&
        vedb::fmt::UnescapeValue(stored) != text)
        std::abort();
    vedb::fmt::UnescapeValue(text, false);

    // Splitting walks forward and ends.
    std::int64_t pos = 1;
    std::string part;
    for (std::size_t n = 0; pos <= static_cast<std::int64_t>(text.size()); ++n) {
        const std::int64_t next = vedb::fmt::GetTextTillTail(text, part, pos);
        if (next <= pos || n > text.size()) std::abort();
        pos = next;
    }
    return 0;
}
