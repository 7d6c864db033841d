// Line coding: RC4 with a fresh key stream per line, then the escape of CR, LF
// and NUL so that the cipher text stays on one line.
#include "VEDataManager.h"
#include "VEDataManagerFormat.h"
#include "clsRC4.h"
#include "platform/VbError.h"

namespace vedb {

std::string VEDataManager::ProcessStringIn(const std::string& text, std::string& buf) {
    buf = fmt::EscapeControls(text);
    return buf;
}

std::string VEDataManager::ProcessStringOut(const std::string& text, std::string& buf) {
    buf = fmt::UnescapeControls(text);
    return buf;
}

bool VEDataManager::EncodeLine(std::string& line, std::string& Key) {
    if (!encrypted_) return true;
    if (Key.empty()) Key = cipher_->Key();
    // An empty line stays empty and leaves the key alone.
    if (line.empty()) return true;
    cipher_->CipherInPlace(line.data(), line.size(), Key);
    const bool decodable = !fmt::HasToken(line);
    if (fmt::HasControl(line)) line = fmt::EscapeControls(line);
    return decodable;
}

void VEDataManager::EncodeStoredLine(std::string& line, std::string& Key) {
    // Rare (a six-byte token by chance), but stored it would read back as
    // something else and shift the rest of the line.
    if (!EncodeLine(line, Key)) vb::Raise(vb::errInvalidCall);
}

void VEDataManager::DecodeLineInto(std::string_view stored, std::string& line) {
    if (encrypted_ && stored.find("zbTo") != std::string_view::npos) {
        line.clear();
        fmt::AppendControlsUnescaped(stored, line);
    } else {
        line.assign(stored);
    }
    if (encrypted_ && !line.empty()) cipher_->CipherInPlace(line.data(), line.size());
}

void VEDataManager::DecodeLine(std::string& line, std::string& Key) {
    if (!encrypted_) return;
    if (Key.empty()) Key = cipher_->Key();
    if (line.find("zbTo") != std::string::npos) line = fmt::UnescapeControls(line);
    if (line.empty()) return;
    cipher_->CipherInPlace(line.data(), line.size(), Key);
}

bool VEDataManager::EncodeLine(std::string& line) {
    std::string key;
    return EncodeLine(line, key);
}

void VEDataManager::DecodeLine(std::string& line) {
    std::string key;
    DecodeLine(line, key);
}

}  // namespace vedb
