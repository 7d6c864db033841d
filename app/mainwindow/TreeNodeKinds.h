#pragma once
// What a node of the record tree stands for: the root (the database itself),
// a folder (tag 1) or a record (tag 2, which holds no children).
#include "app/core/modMainTree.h"
#include "app/mainwindow/RecordTree.h"

inline bool IsRootNode(const QTreeWidgetItem* node) { return RecordTree::Key(node) == modMain::kRootKey; }
inline bool IsRecordNode(const QTreeWidgetItem* node) { return RecordTree::TagValue(node) == 2; }
