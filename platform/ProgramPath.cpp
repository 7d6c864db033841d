#include "platform/ProgramPath.h"

#include <unistd.h>

#include <vector>

namespace plat {

std::string ProgramFile() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return std::string();
        if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string ProgramFolder() {
    std::string file = ProgramFile();
    auto slash = file.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    if (slash == 0) return "/";
    return file.substr(0, slash);
}

}  // namespace plat
