#include "app/core/modMainTree.h"

#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "VEDataBase/Types.h"
#include "app/core/CoreView.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace modMain {

namespace {

// ---- A snapshot of the table and its parent index ----
//
// The tree is built, and a subtree collected for deletion, from one copy of
// the table: the rows are indexed by identifier and by parent once, so the
// work grows with the number of rows, and a walk that meets a row twice
// (a cycle of parents, a repeated identifier) stops there.

const std::string& Cell(const vedb::Table& t, std::size_t row, int col) {
    static const std::string empty;
    if (col < 0 || row >= t.Records.size()) return empty;
    const auto& fields = t.Records[row].fields;
    return static_cast<std::size_t>(col) < fields.size() ? fields[static_cast<std::size_t>(col)] : empty;
}

// 0-based position of a column, or -1.
int ColumnOf(const vedb::Table& t, std::string_view name) {
    for (std::size_t i = 0; i < t.Caption.fields.size(); ++i)
        if (t.Caption.fields[i].Name == name) return static_cast<int>(i);
    return -1;
}

// The decimal text of a positive Long, as the program writes identifiers.
bool IsIdentifier(std::string_view s) {
    if (s.empty() || s.size() > 10 || s[0] == '0') return false;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    return v <= INT32_MAX;
}

std::string RowText(std::size_t row, std::string_view id) {
    return "row " + vb::CStr(row + 1) + " (IndNum \"" + std::string(id) + "\")";
}

class RowIndex {
public:
    // uniqCol: the identifier column; searchCol: the column naming the
    // parent. `log`: write the rows left out to the debug log.
    RowIndex(const vedb::Table& t, int uniqCol, int searchCol, bool log) : t_(t), uniq_(uniqCol) {
        const std::size_t n = t.Records.size();
        usable_.assign(n, 0);
        for (std::size_t r = 0; r < n; ++r) {
            const std::string& id = Cell(t, r, uniqCol);
            if (!IsIdentifier(id)) {
                if (log) DbgPrint("Tree: " + RowText(r, id) + " has no usable identifier; not shown");
                continue;
            }
            auto [it, added] = rowOf_.emplace(id, static_cast<std::int32_t>(r));
            if (!added) {
                if (log)
                    DbgPrint("Tree: " + RowText(r, id) + " repeats the identifier of row " + vb::CStr(it->second + 1) +
                             "; not shown");
                continue;
            }
            usable_[r] = 1;
            children_[Cell(t, r, searchCol)].push_back(static_cast<std::int32_t>(r));
        }
    }

    std::size_t Rows() const { return usable_.size(); }
    bool Usable(std::size_t r) const { return usable_[r] != 0; }
    const std::string& Id(std::size_t r) const { return Cell(t_, r, uniq_); }
    // The usable rows whose parent is `id`, in table order.
    const std::vector<std::int32_t>& Children(std::string_view id) const {
        static const std::vector<std::int32_t> none;
        auto it = children_.find(id);
        return it == children_.end() ? none : it->second;
    }
    // The usable row with identifier `id`, or -1.
    std::int32_t RowOf(std::string_view id) const {
        auto it = rowOf_.find(id);
        return it == rowOf_.end() ? -1 : it->second;
    }

private:
    const vedb::Table& t_;
    int uniq_;
    std::vector<char> usable_;
    std::unordered_map<std::string_view, std::int32_t> rowOf_;
    std::unordered_map<std::string_view, std::vector<std::int32_t>> children_;
};

// ---- Building the nodes ----

struct TreeColumns {
    int indNum, parent, type, title, image, flags;
    explicit TreeColumns(const vedb::Table& t)
        : indNum(ColumnOf(t, "IndNum")),
          parent(ColumnOf(t, "Parent")),
          type(ColumnOf(t, "Type")),
          title(ColumnOf(t, "Title")),
          image(ColumnOf(t, "Image")),
          flags(ColumnOf(t, "Flags")) {}
};

class TreeBuilder {
public:
    TreeBuilder(clsDatabase& db, CoreView& view, trace::Frame& frame)
        : view_(view),
          frame_(frame),
          table_(ReadDataTable(db)),
          cols_(table_),
          index_(table_, cols_.indNum, cols_.parent, true),
          placed_(index_.Rows(), 0) {}

    // Adds the subtrees of the rows whose parent is `id` under `parentKey`.
    void PlaceChildren(const std::string& parentKey, const std::string& id) {
        pending_.emplace_back(parentKey, id);
        Drain();
    }

    // Shows under `rootKey` every usable row not placed yet: for each, the
    // topmost of its unplaced ancestors (its parent missing, or the walk up
    // coming round to a row it passed) with that row's subtree.
    void PlaceUnreached(const std::string& rootKey) {
        std::vector<std::int32_t> walk(index_.Rows(), 0);
        std::int32_t walkId = 0;
        for (std::size_t r = 0; r < index_.Rows(); ++r) {
            if (!index_.Usable(r) || placed_[r]) continue;
            ++walkId;
            std::size_t top = r;
            const char* why = nullptr;
            for (;;) {
                walk[top] = walkId;
                const std::int32_t p = index_.RowOf(Cell(table_, top, cols_.parent));
                if (p < 0 || placed_[static_cast<std::size_t>(p)]) {
                    why = "has no parent in the tree";
                    break;
                }
                if (walk[static_cast<std::size_t>(p)] == walkId) {
                    why = "is in a cycle of parents";
                    break;
                }
                top = static_cast<std::size_t>(p);
            }
            DbgPrint("Tree: " + RowText(top, index_.Id(top)) + " " + why + "; shown under the root");
            Place(rootKey, top);
            Drain();
        }
    }

private:
    void Drain() {
        while (!pending_.empty()) {
            auto [parentKey, id] = std::move(pending_.back());
            pending_.pop_back();
            const auto& kids = index_.Children(id);
            // Folders first, the newest first; then the records in table order.
            for (auto it = kids.rbegin(); it != kids.rend(); ++it)
                if (IsFolder(static_cast<std::size_t>(*it))) Place(parentKey, static_cast<std::size_t>(*it));
            for (std::int32_t k : kids)
                if (!IsFolder(static_cast<std::size_t>(k))) Place(parentKey, static_cast<std::size_t>(k));
        }
    }

    bool IsFolder(std::size_t r) const { return RowTypeIs(Cell(table_, r, cols_.type), 1); }

    void Place(const std::string& parentKey, std::size_t r) {
        if (placed_[r]) return;  // reached again through a cycle
        placed_[r] = 1;
        TreeNode node = MakeNode(r);
        view_.AddTreeNode(parentKey, node);
        pending_.emplace_back(std::move(node.key), index_.Id(r));
    }

    TreeNode MakeNode(std::size_t r) {
        const std::string& id = index_.Id(r);
        const std::string& type = Cell(table_, r, cols_.type);
        const bool folder = IsFolder(r);
        TreeNode node;
        node.key = id + "key";
        node.text = Cell(table_, r, cols_.title);
        node.tag = folder ? "1" : "2";
        if (type != node.tag)
            DbgPrint("Tree: " + RowText(r, id) + " has the type \"" + type + "\"; shown as a " +
                     (folder ? "folder" : "record"));
        node.image = ImageKey(r, folder);
        ReadFlags(r, node);
        return node;
    }

    // The leading number of Image, rounded half to even, & "key".
    std::string ImageKey(std::size_t r, bool folder) const {
        const std::string& image = Cell(table_, r, cols_.image);
        std::int32_t n = 0;
        try {
            n = vb::CLng(vb::Val(image));
        } catch (const vb::VbError&) {
            n = 0;
        }
        if (n >= 1) return vb::CStr(n) + "key";
        const char* fallback = folder ? kFolderImage : kRecordImage;
        DbgPrint("Tree: " + RowText(r, index_.Id(r)) + " has the image \"" + image + "\"; shown with \"" + fallback +
                 "\"");
        return fallback;
    }

    void ReadFlags(std::size_t r, TreeNode& node) {
        const std::string& flags = Cell(table_, r, cols_.flags);
        std::int32_t colour = 0;
        std::int32_t bits = 0;
        bool ok = flags.find('|') != std::string::npos;
        if (ok) {
            try {
                GetSepatRecOptns(flags, colour, bits);
            } catch (const vb::VbError&) {
                frame_.Recover();
                ok = false;
            }
        }
        if (!ok) {
            DbgPrint("Tree: " + RowText(r, index_.Id(r)) + " has the flags \"" + flags + "\"; shown black and plain");
            colour = 0;
            bits = 0;
        }
        node.colour = colour;
        node.bold = (bits & 1) != 0;
    }

    static vedb::Table ReadDataTable(clsDatabase& db) {
        vedb::Table table;
        std::int32_t t = db.FindTable(kDataTable);
        if (t < 1)
            DbgPrint(std::string("Tree: the database has no table \"") + kDataTable + "\"; only the root is shown");
        else
            db.GetTable(t, table);
        return table;
    }

    CoreView& view_;
    trace::Frame& frame_;
    vedb::Table table_;
    TreeColumns cols_;
    RowIndex index_;
    std::vector<char> placed_;
    std::vector<std::pair<std::string, std::string>> pending_;  // (node key, its identifier)
};

// ---- Deleting a subtree ----

// Counts, for the rows deleted so far, how many lie before a given row, so a
// row's number after the earlier deletions is known without a search.
class DeletedBefore {
public:
    explicit DeletedBefore(std::size_t n) : tree_(n + 1, 0) {}
    void Add(std::size_t row) {
        for (std::size_t i = row + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
    }
    std::int32_t Count(std::size_t row) const {  // deleted rows < row
        std::int32_t c = 0;
        for (std::size_t i = row; i > 0; i -= i & (~i + 1)) c += tree_[i];
        return c;
    }

private:
    std::vector<std::int32_t> tree_;
};

// The rows of the subtree of `start`, children before their parents, each
// parent's children in table order.
std::vector<std::size_t> SubtreeChildrenFirst(const RowIndex& index, std::size_t start) {
    std::vector<std::size_t> order;
    std::vector<char> seen(index.Rows(), 0);
    struct Step {
        std::size_t row;
        std::size_t next;  // the next child to visit
    };
    std::vector<Step> stack{{start, 0}};
    seen[start] = 1;
    while (!stack.empty()) {
        Step& s = stack.back();
        const auto& kids = index.Children(index.Id(s.row));
        if (s.next < kids.size()) {
            const auto k = static_cast<std::size_t>(kids[s.next++]);
            if (!seen[k]) {
                seen[k] = 1;
                stack.push_back({k, 0});
            }
            continue;
        }
        order.push_back(s.row);
        stack.pop_back();
    }
    return order;
}

// The table "DataTable" of the current user's database; a clear error when
// the database has none, since a row cannot be added then.
std::int32_t RequireDataTable(clsDatabase& db) {
    std::int32_t t = db.FindTable(kDataTable);
    if (t < 1) throw vb::VbError(vb::errSubscript, std::string("The database has no table \"") + kDataTable + "\"");
    return t;
}

}  // namespace

std::string NewFolderText() { return plat::Utf8ToAnsiLossy("Новая папка"); }
std::string NewRecordText() { return plat::Utf8ToAnsiLossy("Новая Запись"); }

bool RowTypeIs(const std::string& Type, int n) {
    if (Type.size() == 1) return Type[0] == '0' + n;
    try {
        return vb::Val(Type) == n;
    } catch (const vb::VbError&) {
        return false;
    }
}

void ShowUsDBInTreeView(clsDatabase& UsDB, CoreView& pTrView) {
    TRACE_MOD(modMain, "ShowUsDBInTreeView", TV_EXT(UsDB), TV_EXT(pTrView));
    TreeNode root;
    root.key = kRootKey;
    root.text = UsDB.Tag();
    root.image = kRootImage;
    pTrView.AddTreeNode({}, root);
    LoadUsDBInTreeViewNode(UsDB, pTrView, root.key, 0);
    pTrView.ExpandTreeNode(root.key);
}

void LoadUsDBInTreeViewNode(clsDatabase& UsDB, CoreView& pTrView, const std::string& pNode, std::int32_t pNodeID) {
    TRACE_MOD(modMain, "LoadUsDBInTreeViewNode", TV_EXT(UsDB), TV_EXT(pTrView), TV(pNode), TV(pNodeID));
    TreeBuilder builder(UsDB, pTrView, trace_frame_);
    builder.PlaceChildren(pNode, vb::CStr(pNodeID));
    if (pNodeID == 0) builder.PlaceUnreached(pNode);
}

void AddFolderToDB(const std::string& FoldName, std::int32_t Parent, const std::string& FoldID) {
    TRACE_MOD(modMain, "AddFolderToDB", TV(FoldName), TV(Parent), TV(FoldID));
    clsDatabase& db = *CurUsDB;
    std::int32_t t = RequireDataTable(db);
    db.AddRecord(t);
    std::int32_t r = db.GetTblRecNum(t);
    db.SetTblFldValNm(t, r, "IndNum", FoldID);
    db.SetTblFldValNm(t, r, "Parent", vb::CStr(Parent));
    db.SetTblFldValNm(t, r, "Type", "1");
    db.SetTblFldValNm(t, r, "Title", FoldName);
    db.SetTblFldValNm(t, r, "Image", kFolderImage);
    db.SetTblFldValNm(t, r, "Flags", kNewRowFlags);
}

std::string AddRecordToDB(const std::string& rParent, const std::string& rTitle, const trace::Secret& rLogin,
                          const trace::Secret& rPasw, const trace::Secret& rDesc, clsDatabase& pDB) {
    TRACE_MOD(modMain, "AddRecordToDB", TV(rParent), TV(rTitle), TV(rLogin), TV(rPasw), TV(rDesc), TV_EXT(pDB));
    std::int32_t t = RequireDataTable(pDB);
    pDB.AddRecord(t);
    std::int32_t r = pDB.GetTblRecNum(t);
    std::int32_t last = vb::CLng(pDB.GetTblTag(t));
    if (last == INT32_MAX) vb::Raise(vb::errOverflow);
    pDB.SetTblTag(t, vb::CStr(last + 1));
    std::string id = pDB.GetTblTag(t);
    TRACE_LOCAL(id);
    pDB.SetTblFldValNm(t, r, "IndNum", id);
    pDB.SetTblFldValNm(t, r, "Parent", rParent);
    pDB.SetTblFldValNm(t, r, "Type", "2");
    pDB.SetTblFldValNm(t, r, "Title", rTitle);
    pDB.SetTblFldValNm(t, r, "Login", rLogin.str());
    pDB.SetTblFldValNm(t, r, "Password", rPasw.str());
    pDB.SetTblFldValNm(t, r, "Description", rDesc.str());
    pDB.SetTblFldValNm(t, r, "Image", kRecordImage);
    pDB.SetTblFldValNm(t, r, "Flags", kNewRowFlags);
    return id;
}

void ChangeDataTableField(const std::string& UniqFName, const std::string& UniqFVal, const std::string& FldName,
                          const trace::Secret& newval) {
    TRACE_MOD(modMain, "ChangeDataTableField", TV(UniqFName), TV(UniqFVal), TV(FldName), TV(newval));
    clsDatabase& db = *CurUsDB;
    std::int32_t t = db.FindTable(kDataTable);
    std::int32_t u = t > 0 ? db.FindField(t, UniqFName) : 0;
    std::int32_t start = 0;
    std::int32_t r = u > 0 ? db.GetRecNumFromVal(t, u, UniqFVal, start) : 0;
    if (r < 1) {
        DbgPrint("ChangeDataTableField: no row has " + UniqFName + " = \"" + UniqFVal + "\"; nothing changed");
        return;
    }
    db.SetTblFldValNm(t, r, FldName, newval);
}

void DelRecordTreeFromDataTable(const std::string& UniqFName, const std::string& UniqFVal,
                                const std::string& SearchFName) {
    TRACE_MOD(modMain, "DelRecordTreeFromDataTable", TV(UniqFName), TV(UniqFVal), TV(SearchFName));
    clsDatabase& db = *CurUsDB;
    std::int32_t t = db.FindTable(kDataTable);
    std::int32_t u = t > 0 ? db.FindField(t, UniqFName) : 0;
    std::int32_t start = 0;
    std::int32_t r = u > 0 ? db.GetRecNumFromVal(t, u, UniqFVal, start) : 0;
    std::int32_t s = t > 0 ? db.FindField(t, SearchFName) : 0;
    // Without the row there is nothing to delete: its children would be the
    // rows under the root for the root's identifier.
    if (r < 1 || s < 1) {
        DbgPrint("DelRecordTreeFromDataTable: no row has " + UniqFName + " = \"" + UniqFVal + "\"; nothing deleted");
        return;
    }
    DelRecordTree(t, u, UniqFVal, s, r, db);
}

void DelRecordTree(std::int32_t TblNum, std::int32_t UniqFNum, const std::string& UniqFVal, std::int32_t SearchFNum,
                   std::int32_t CurRecNum, clsDatabase& pDB) {
    TRACE_MOD(modMain, "DelRecordTree", TV(TblNum), TV(UniqFNum), TV(UniqFVal), TV(SearchFNum), TV(CurRecNum),
              TV_EXT(pDB));
    vedb::Table table;
    pDB.GetTable(TblNum, table);
    const int uniqCol = UniqFNum - 1;
    std::size_t start = static_cast<std::size_t>(CurRecNum - 1);
    if (CurRecNum < 1 || Cell(table, start, uniqCol) != UniqFVal) {
        std::size_t r = 0;
        while (r < table.Records.size() && Cell(table, r, uniqCol) != UniqFVal) ++r;
        if (r == table.Records.size()) {
            DbgPrint("DelRecordTree: no row carries \"" + UniqFVal + "\"; nothing deleted");
            return;
        }
        start = r;
    }
    RowIndex index(table, uniqCol, SearchFNum - 1, false);
    const int titleCol = ColumnOf(table, "Title");
    DeletedBefore deleted(table.Records.size());
    for (std::size_t row : SubtreeChildrenFirst(index, start)) {
        std::int32_t now = static_cast<std::int32_t>(row + 1) - deleted.Count(row);
        // The row must still be where the count puts it: never delete another.
        if (pDB.GetTblFldVal(TblNum, now, UniqFNum) != Cell(table, row, uniqCol))
            throw vb::VbError(vb::errSubscript, "DelRecordTree: the table changed while rows were being deleted");
        DbgPrint("-= DELETE: " + Cell(table, row, titleCol));
        pDB.DeleteRec(TblNum, now);
        deleted.Add(row);
    }
}

}  // namespace modMain
