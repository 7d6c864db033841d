#include "app/core/TreeKeys.h"

#include "app/core/modMainTree.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace modMain {

namespace {
constexpr std::string_view kKeySuffix = "key";
}  // namespace

std::string NodeKey(std::string_view indNum) {
    std::string key;
    key.reserve(indNum.size() + kKeySuffix.size());
    key.append(indNum).append(kKeySuffix);
    return key;
}

std::string ImageKey(std::int32_t n) { return NodeKey(vb::CStr(n)); }

std::int32_t KeyNumber(std::string_view key) {
    try {
        return vb::CLng(vb::Val(key));
    } catch (const vb::VbError&) {
        return 0;
    }
}

void MakeRowNode(TreeNode& node, std::string_view indNum, std::string_view title, bool folder) {
    node.key.assign(indNum).append(kKeySuffix);
    node.text.assign(title);
    node.tag.assign(folder ? "1" : "2");
    node.image.assign(folder ? kFolderImage : kRecordImage);
    node.colour = 0;
    node.bold = false;
}

}  // namespace modMain
