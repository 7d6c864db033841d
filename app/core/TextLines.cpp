#include "app/core/TextLines.h"

#include "platform/FileIO.h"

namespace coretext {

std::vector<std::string> ReadTextLines(const std::string& path) {
    const std::string content = plat::ReadFileOrRaise(path);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t lf = content.find('\n', pos);
        if (lf == std::string::npos) {
            lines.push_back(content.substr(pos));
            break;
        }
        std::size_t end = lf;
        if (end > pos && content[end - 1] == '\r') --end;
        lines.push_back(content.substr(pos, end - pos));
        pos = lf + 1;
    }
    return lines;
}

}  // namespace coretext
