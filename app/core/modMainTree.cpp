#include "app/core/modMainTree.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "VEDataBase/Types.h"
#include "app/core/CoreView.h"
#include "app/core/TreeKeys.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/Desktop.h"

namespace modMain {

namespace {

// ---- The table's parent index ----
//
// The tree is built, and a subtree collected for deletion, from the table as
// it stands (read in place, never copied): the rows are indexed by identifier
// and by parent once, so the work grows with the number of rows, and a walk
// that meets a row twice (a cycle of parents, a repeated identifier) stops
// there.

std::string_view Cell(const vedb::Table& t, std::size_t row, int col) {
    if (col < 0 || row >= t.Records.size()) return {};
    const auto& fields = t.Records[row].fields;
    return static_cast<std::size_t>(col) < fields.size() ? fields[static_cast<std::size_t>(col)] : std::string_view();
}

// Table t of db read in place (valid until db changes); an empty table when
// db has no table t.
const vedb::Table& TableOrEmpty(clsDatabase& db, std::int32_t t) {
    static const vedb::Table none;
    const vedb::Table* table = db.ReadTable(t);
    return table ? *table : none;
}

// 0-based position of a column, or -1.
int ColumnOf(const vedb::Table& t, std::string_view name) {
    for (std::size_t i = 0; i < t.Caption.fields.size(); ++i)
        if (t.Caption.fields[i].Name == name) return static_cast<int>(i);
    return -1;
}

// The number of an identifier: the decimal text of a positive Long, as the
// program writes identifiers; 0 for any other text.
std::int32_t IdentifierNumber(std::string_view s) {
    if (s.empty() || s.size() > 10 || s[0] == '0') return 0;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + (c - '0');
    }
    return v <= INT32_MAX ? static_cast<std::int32_t>(v) : 0;
}

std::string RowText(std::size_t row, std::string_view id) {
    return "row " + vb::CStr(row + 1) + " (IndNum \"" + std::string(id) + "\")";
}

// The rows indexed by identifier and by parent. A row is usable when its
// identifier is a positive number no earlier row has; only usable rows are
// anyone's children. A parent is the root (text "0"), a usable row, or
// missing.
class RowIndex {
public:
    static constexpr std::int32_t kRoot = -2;
    static constexpr std::int32_t kMissing = -1;

    // uniqCol: the identifier column; searchCol: the column naming the
    // parent; typeCol: the Type column, or -1 when folders do not matter.
    // `log`: write the rows left out to the debug log.
    RowIndex(const vedb::Table& t, int uniqCol, int searchCol, int typeCol, bool log) : t_(t), uniq_(uniqCol) {
        const std::size_t n = t.Records.size();
        // One pass over the rows reads what the index needs of each.
        std::vector<std::int32_t> number(n);
        std::vector<std::int32_t> parentNumber(n);  // 0 the root, -1 no identifier
        folder_.assign(n, 0);
        std::int64_t highest = 0;
        for (std::size_t r = 0; r < n; ++r) {
            number[r] = IdentifierNumber(Cell(t, r, uniqCol));
            highest = std::max<std::int64_t>(highest, number[r]);
            const std::string_view p = Cell(t, r, searchCol);
            parentNumber[r] = p == "0" ? 0 : IdentifierNumber(p);
            if (parentNumber[r] == 0 && p != "0") parentNumber[r] = -1;
            if (typeCol >= 0) folder_[r] = RowTypeIs(Cell(t, r, typeCol), 1);
        }
        // Identifiers are given out one by one, so a plain table by number
        // usually fits; sparse numbers go to a hash map.
        if (highest <= 4 * static_cast<std::int64_t>(n) + 1024)
            direct_.assign(static_cast<std::size_t>(highest) + 1, kMissing);
        else
            hashed_.reserve(n);
        usable_.assign(n, 0);
        for (std::size_t r = 0; r < n; ++r) {
            if (number[r] == 0) {
                if (log) DbgPrint("Tree: " + RowText(r, Id(r)) + " has no usable identifier; not shown");
                continue;
            }
            const std::int32_t first = Find(number[r]);
            if (first != kMissing) {
                if (log)
                    DbgPrint("Tree: " + RowText(r, Id(r)) + " repeats the identifier of row " + vb::CStr(first + 1) +
                             "; not shown");
                continue;
            }
            Insert(number[r], static_cast<std::int32_t>(r));
            usable_[r] = 1;
        }
        // Children grouped by parent in table order (a counting sort): slot 0
        // is the root, slot r + 1 row r.
        parent_.assign(n, kMissing);
        start_.assign(n + 3, 0);
        for (std::size_t r = 0; r < n; ++r) {
            if (!usable_[r]) continue;
            parent_[r] = parentNumber[r] == 0 ? kRoot : parentNumber[r] < 0 ? kMissing : Find(parentNumber[r]);
            if (parent_[r] != kMissing) ++start_[Slot(parent_[r]) + 2];
        }
        for (std::size_t i = 2; i < start_.size(); ++i) start_[i] += start_[i - 1];
        members_.resize(static_cast<std::size_t>(start_.back()));
        for (std::size_t r = 0; r < n; ++r)
            if (usable_[r] && parent_[r] != kMissing)
                members_[static_cast<std::size_t>(start_[Slot(parent_[r]) + 1]++)] = static_cast<std::int32_t>(r);
    }

    std::size_t Rows() const { return usable_.size(); }
    bool Usable(std::size_t r) const { return usable_[r] != 0; }
    // The row's Type is numerically 1 (only when a type column was given).
    bool Folder(std::size_t r) const { return folder_[r] != 0; }
    std::string_view Id(std::size_t r) const { return Cell(t_, r, uniq_); }
    // kRoot, kMissing or the usable row that a usable row's parent names.
    std::int32_t ParentRow(std::size_t r) const { return parent_[r]; }
    // The usable row with identifier `id`, or kMissing.
    std::int32_t RowOf(std::string_view id) const {
        const std::int32_t n = IdentifierNumber(id);
        return n == 0 ? kMissing : Find(n);
    }
    // The usable rows under `parent` (kRoot or a usable row), in table order.
    std::span<const std::int32_t> Children(std::int32_t parent) const {
        if (parent == kMissing) return {};
        const std::size_t s = Slot(parent);
        return std::span<const std::int32_t>(members_).subspan(static_cast<std::size_t>(start_[s]),
                                                               static_cast<std::size_t>(start_[s + 1] - start_[s]));
    }

private:
    static std::size_t Slot(std::int32_t parent) { return parent == kRoot ? 0 : static_cast<std::size_t>(parent) + 1; }
    std::int32_t Find(std::int32_t number) const {
        if (!direct_.empty())
            return static_cast<std::size_t>(number) < direct_.size() ? direct_[static_cast<std::size_t>(number)]
                                                                     : kMissing;
        auto it = hashed_.find(number);
        return it == hashed_.end() ? kMissing : it->second;
    }
    void Insert(std::int32_t number, std::int32_t row) {
        if (!direct_.empty())
            direct_[static_cast<std::size_t>(number)] = row;
        else
            hashed_.emplace(number, row);
    }

    const vedb::Table& t_;
    int uniq_;
    std::vector<char> usable_;
    std::vector<char> folder_;
    std::vector<std::int32_t> direct_;                       // identifier -> row
    std::unordered_map<std::int32_t, std::int32_t> hashed_;  // the same, for sparse identifiers
    std::vector<std::int32_t> parent_;
    std::vector<std::int32_t> start_;    // slot -> first of members_ (shifted while filling)
    std::vector<std::int32_t> members_;  // rows, grouped by parent
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
          index_(table_, cols_.indNum, cols_.parent, cols_.type, true),
          placed_(index_.Rows(), 0) {}

    // Adds the subtrees of the rows under `parent` (RowIndex::kRoot or a
    // row) below the node `parentKey`.
    void PlaceChildren(const std::string& parentKey, std::int32_t parent) {
        // The parent's own node is there already, whatever its subtree holds.
        if (parent >= 0) placed_[static_cast<std::size_t>(parent)] = 1;
        PlaceKids(parentKey, parent);
        Drain();
    }
    std::int32_t RowOf(const std::string& id) const { return index_.RowOf(id); }

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
                const std::int32_t p = index_.ParentRow(top);
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
    // Places the children of every placed row still waiting for them.
    void Drain() {
        std::string key;
        while (!pending_.empty()) {
            const auto r = static_cast<std::size_t>(pending_.back());
            pending_.pop_back();
            key = NodeKey(index_.Id(r));
            PlaceKids(key, static_cast<std::int32_t>(r));
        }
    }

    // Folders first, the newest first; then the records in table order.
    void PlaceKids(const std::string& parentKey, std::int32_t parent) {
        const auto kids = index_.Children(parent);
        for (auto it = kids.rbegin(); it != kids.rend(); ++it)
            if (IsFolder(static_cast<std::size_t>(*it))) Place(parentKey, static_cast<std::size_t>(*it));
        for (std::int32_t k : kids)
            if (!IsFolder(static_cast<std::size_t>(k))) Place(parentKey, static_cast<std::size_t>(k));
    }

    bool IsFolder(std::size_t r) const { return index_.Folder(r); }

    void Place(const std::string& parentKey, std::size_t r) {
        if (placed_[r]) return;  // reached again through a cycle
        placed_[r] = 1;
        FillNode(r);
        view_.AddTreeNode(parentKey, node_);
        pending_.push_back(static_cast<std::int32_t>(r));
    }

    // node_ := the node of row r (one object reused for every node).
    void FillNode(std::size_t r) {
        const std::string_view id = index_.Id(r);
        const std::string_view type = Cell(table_, r, cols_.type);
        const bool folder = IsFolder(r);
        MakeRowNode(node_, id, Cell(table_, r, cols_.title), folder);
        if (type != node_.tag)
            DbgPrint("Tree: " + RowText(r, id) + " has the type \"" + std::string(type) + "\"; shown as a " +
                     (folder ? "folder" : "record"));
        SetImage(r, folder);
        SetFlags(r);
    }

    // The leading number of Image, rounded half to even, & "key".
    void SetImage(std::size_t r, bool folder) {
        const std::string_view image = Cell(table_, r, cols_.image);
        // Most rows share a few image texts: each distinct text is read once.
        auto [it, added] = imagesSeen_.try_emplace(image, 0);
        if (added) it->second = KeyNumber(image);
        if (it->second >= 1) {
            node_.image = ImageKey(it->second);
            return;
        }
        const char* fallback = folder ? kFolderImage : kRecordImage;
        DbgPrint("Tree: " + RowText(r, index_.Id(r)) + " has the image \"" + std::string(image) + "\"; shown with \"" +
                 fallback + "\"");
        node_.image.assign(fallback);
    }

    void SetFlags(std::size_t r) {
        const std::string_view flags = Cell(table_, r, cols_.flags);
        // Most rows share a few flags texts: each distinct text is split once.
        auto [it, added] = flagsSeen_.try_emplace(flags);
        SplitFlags& split = it->second;
        if (added) {
            split.ok = flags.find('|') != std::string::npos;
            if (split.ok) {
                try {
                    GetSepatRecOptns(std::string(flags), split.colour, split.bits);
                } catch (const vb::VbError&) {
                    frame_.Recover();
                    split.ok = false;
                }
            }
            if (!split.ok) split.colour = split.bits = 0;
        }
        if (!split.ok)
            DbgPrint("Tree: " + RowText(r, index_.Id(r)) + " has the flags \"" + std::string(flags) +
                     "\"; shown black and plain");
        node_.colour = split.colour;
        node_.bold = (split.bits & 1) != 0;
    }

    // The table is read in place: the build only reads it, and the window
    // only draws the nodes it is given, so nothing changes the database
    // while the builder lives.
    static const vedb::Table& ReadDataTable(clsDatabase& db) {
        const std::int32_t t = db.FindTable(kDataTable);
        if (t < 1)
            DbgPrint(std::string("Tree: the database has no table \"") + kDataTable + "\"; only the root is shown");
        return TableOrEmpty(db, t);
    }

    CoreView& view_;
    trace::Frame& frame_;
    const vedb::Table& table_;
    TreeColumns cols_;
    RowIndex index_;
    std::vector<char> placed_;
    std::vector<std::int32_t> pending_;  // placed rows whose children are not placed yet
    TreeNode node_;
    std::unordered_map<std::string_view, std::int32_t> imagesSeen_;
    struct SplitFlags {
        bool ok = false;
        std::int32_t colour = 0;
        std::int32_t bits = 0;
    };
    std::unordered_map<std::string_view, SplitFlags> flagsSeen_;
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
        const auto kids = index.Children(static_cast<std::int32_t>(s.row));
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

// The current user's database; run-time error 91 before it exists, as the
// runtime raises for an object variable that is not set.
clsDatabase& CurrentDb() {
    if (!CurUsDB) vb::Raise(vb::errObjectNotSet);
    return *CurUsDB;
}

// The number of "DataTable" in db; a clear error when the database has none,
// since a row cannot be added then.
std::int32_t RequireDataTable(clsDatabase& db) {
    std::int32_t t = db.FindTable(kDataTable);
    if (t < 1) throw vb::VbError(vb::errSubscript, std::string("The database has no table \"") + kDataTable + "\"");
    return t;
}

// Raises the refusal of a new row as run-time error 9 before anything is
// written, so a row is never stored in part.
void RequireRowColumns(clsDatabase& db, bool folder) {
    const std::string refusal = RowRefusal(db, folder);
    if (!refusal.empty()) throw vb::VbError(vb::errSubscript, refusal);
}

// A fixed text in the code page, or its English form where the page lacks a
// letter of it: question marks would be stored as the name.
std::string FixedText(std::string_view utf8, const char* english) {
    std::optional<std::string> ansi = plat::Utf8ToAnsi(utf8);
    return ansi ? std::move(*ansi) : std::string(english);
}

}  // namespace

std::string RowRefusal(clsDatabase& db, bool folder) {
    TRACE_MOD(modMain, "RowRefusal", TV_EXT(db), TV(folder));
    // The columns in the order a new row of the kind is written.
    static constexpr const char* kFolderColumns[] = {"IndNum", "Parent", "Type", "Title", "Image", "Flags"};
    static constexpr const char* kRecordColumns[] = {"IndNum",   "Parent",      "Type",  "Title", "Login",
                                                     "Password", "Description", "Image", "Flags"};
    std::string why;
    const std::int32_t t = db.FindTable(kDataTable);
    if (t < 1) {
        why = std::string("the database has no table \"") + kDataTable + "\"";
    } else {
        for (const char* column :
             folder ? std::span<const char* const>(kFolderColumns) : std::span<const char* const>(kRecordColumns)) {
            if (db.FindField(t, column) < 1) {
                why = std::string("the table \"") + kDataTable + "\" has no column \"" + column + "\"";
                break;
            }
        }
    }
    return why.empty() ? why : "This item cannot be stored: " + why + ". Nothing was changed.";
}

bool TellRowRefusal(clsDatabase& db, bool folder, const std::string& who) {
    TRACE_MOD(modMain, "TellRowRefusal", TV_EXT(db), TV(folder), TV(who));
    const std::string refusal = RowRefusal(db, folder);
    TRACE_LOCAL(refusal);
    if (refusal.empty()) return false;
    DbgPrint(who + ": " + refusal);
    qtplat::MsgBox(refusal, qtplat::vbExclamation);
    return true;
}

std::string NewFolderText() { return FixedText("Новая папка", "New folder"); }
std::string NewRecordText() { return FixedText("Новая Запись", "New record"); }

bool RowTypeIs(std::string_view Type, int n) {
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
    {
        // The window shows the nodes it has, whatever stops the build.
        struct Fill {
            CoreView& view;
            explicit Fill(CoreView& v) : view(v) { view.BeginTreeFill(); }
            ~Fill() { view.EndTreeFill(); }
        } fill(pTrView);
        pTrView.AddTreeNode({}, root);
        LoadUsDBInTreeViewNode(UsDB, pTrView, root.key, 0);
    }
    pTrView.ExpandTreeNode(root.key);
}

void LoadUsDBInTreeViewNode(clsDatabase& UsDB, CoreView& pTrView, const std::string& pNode, std::int32_t pNodeID) {
    TRACE_MOD(modMain, "LoadUsDBInTreeViewNode", TV_EXT(UsDB), TV_EXT(pTrView), TV(pNode), TV(pNodeID));
    TreeBuilder builder(UsDB, pTrView, trace_frame_);
    builder.PlaceChildren(pNode, pNodeID == 0 ? RowIndex::kRoot : builder.RowOf(vb::CStr(pNodeID)));
    if (pNodeID == 0) builder.PlaceUnreached(pNode);
}

void AddFolderToDB(const std::string& FoldName, std::int32_t Parent, const std::string& FoldID) {
    TRACE_MOD(modMain, "AddFolderToDB", TV(FoldName), TV(Parent), TV(FoldID));
    clsDatabase& db = CurrentDb();
    std::int32_t t = RequireDataTable(db);
    RequireRowColumns(db, true);
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
    RequireRowColumns(pDB, false);
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
    clsDatabase& db = CurrentDb();
    std::int32_t t = db.FindTable(kDataTable);
    std::int32_t u = t > 0 ? db.FindField(t, UniqFName) : 0;
    std::int32_t start = 0;
    std::int32_t r = u > 0 ? db.GetRecNumFromVal(t, u, UniqFVal, start) : 0;
    if (r < 1) {
        DbgPrint("ChangeDataTableField: no row has " + UniqFName + " = \"" + UniqFVal + "\"; nothing changed");
        return;
    }
    if (db.FindField(t, FldName) < 1) {
        DbgPrint("ChangeDataTableField: the table has no column " + FldName + "; nothing changed");
        return;
    }
    db.SetTblFldValNm(t, r, FldName, newval);
}

void DelRecordTreeFromDataTable(const std::string& UniqFName, const std::string& UniqFVal,
                                const std::string& SearchFName) {
    TRACE_MOD(modMain, "DelRecordTreeFromDataTable", TV(UniqFName), TV(UniqFVal), TV(SearchFName));
    clsDatabase& db = CurrentDb();
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
    // What the deletion needs is read first: the table changes under it.
    struct Doomed {
        std::size_t row;  // its number before any deletion, from 0
        std::string id;
        std::string title;
    };
    std::vector<Doomed> doomed;
    std::size_t rows = 0;
    {
        const vedb::Table& table = TableOrEmpty(pDB, TblNum);
        rows = table.Records.size();
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
        const RowIndex index(table, uniqCol, SearchFNum - 1, -1, false);
        const int titleCol = ColumnOf(table, "Title");
        for (std::size_t row : SubtreeChildrenFirst(index, start))
            doomed.push_back({row, std::string(Cell(table, row, uniqCol)), std::string(Cell(table, row, titleCol))});
    }
    DeletedBefore deleted(rows);
    for (const Doomed& d : doomed) {
        std::int32_t now = static_cast<std::int32_t>(d.row + 1) - deleted.Count(d.row);
        // The row must still be where the count puts it: never delete another.
        if (pDB.GetTblFldVal(TblNum, now, UniqFNum) != d.id)
            throw vb::VbError(vb::errSubscript, "DelRecordTree: the table changed while rows were being deleted");
        DbgPrint("-= DELETE: " + d.title);
        pDB.DeleteRec(TblNum, now);
        deleted.Add(d.row);
    }
}

}  // namespace modMain
