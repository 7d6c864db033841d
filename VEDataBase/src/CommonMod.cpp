#include "CommonMod.h"

#include <unistd.h>

#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace vedb::CommonMod {

bool FileExists(const std::string& path) { return plat::FileExists(path); }

// Removing a name needs no write permission on the file itself, so a
// read-only file goes as any other.
std::int32_t DeleteFile(const std::string& path) {
    if (!FileExists(path)) return -2;
    if (::unlink(path.c_str()) != 0) vb::Raise(vb::errPathFileAccess);
    return 0;
}

std::int32_t GetToken(const std::string& text, std::string& token, std::int32_t& start) {
    if (start < 1) start = 1;
    const std::size_t from = static_cast<std::size_t>(start) - 1;
    if (from >= text.size()) {
        token.clear();
        return start;
    }
    const std::size_t sep = text.find(SEP, from);
    if (sep == std::string::npos) {
        token.assign(text, from, std::string::npos);
        return static_cast<std::int32_t>(text.size()) + 1;
    }
    token.assign(text, from, sep - from);
    return static_cast<std::int32_t>(sep) + 2;
}

}  // namespace vedb::CommonMod
