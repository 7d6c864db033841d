#pragma once
// The keys of the record tree. A node's key is its row's identifier (IndNum)
// followed by "key"; the root stands for the Parent text "0" and so is keyed
// "0key". A picture's key is its number followed by "key", which is also what
// a row's Image column holds. Every place that builds or reads such a key
// goes through these functions, so the window, the dialogs and the tree model
// can never disagree on them.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/core/CoreView.h"

namespace modMain {

// "<indNum>key": the key of the node of the row with that identifier text.
std::string NodeKey(std::string_view indNum);
// "<n>key": the key of picture n.
std::string ImageKey(std::int32_t n);
// The number a node or image key carries: its leading number rounded half to
// even ("2.5key" is 2, "3.5key" 4); 0 for a key that starts with no number and
// for one beyond the Long range.
std::int32_t KeyNumber(std::string_view key);

// Makes `node` (reusing its buffers) the node of a row: keyed by the row's
// identifier, titled `title`, tagged "1" for a folder and "2" for anything
// else, with the type's own picture, black and plain. The tree's build then
// gives it the picture and the flags its row holds; a row just added keeps
// these.
void MakeRowNode(TreeNode& node, std::string_view indNum, std::string_view title, bool folder);

}  // namespace modMain
