#include "app/mainwindow/RecordTree.h"

#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaType>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/TreeKeys.h"
#include "app/mainwindow/RecordTreeLook.h"
#include "app/mainwindow/RecordTreeStrings.h"
#include "app/mainwindow/Twips.h"
#include "app/mainwindow/VbEvents.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/InputState.h"

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;

// A stored colour value (red in the low byte, then green, blue).
QColor ColourOf(std::int32_t colour) {
    const auto c = static_cast<std::uint32_t>(colour);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// The tree control's own error numbers.
constexpr long kErrKeyNotUnique = 35602;
constexpr long kErrNoSuchElement = 35601;

// A node keeps what a record node shows in typed members of its own: the
// item's general store costs two growing arrays per node and a variant of
// 32 bytes per value, several times these few values. Its key and text are
// its own, in one block of bytes; the rest (tag, image key, picture, colour,
// font) is the same for most nodes and held in one shared look. A value of
// another type than a role's own goes to the general store, so every value
// set reads back as it was set.
class RecordTreeItem final : public QTreeWidgetItem {
public:
    QVariant data(int column, int role) const override {
        if (column == 0 && (Held() & Bit(role))) {
            const RecordTreeLook* look = look_.get();
            switch (role) {
                case kKeyRole: {
                    const std::string_view key = strings_.Key();
                    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
                }
                case kTagRole:
                    return look->tag;
                case kImageRole:
                    return look->image;
                case Qt::DecorationRole:
                    return look->icon;
                case Qt::ForegroundRole:
                    return look->foreground;
                case Qt::FontRole:
                    return look->font;
                default:
                    return strings_.Text();
            }
        }
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override {
        const std::uint8_t bit = column == 0 ? Bit(role) : 0;
        if (!bit) return QTreeWidgetItem::setData(column, role, value);
        if ((Held() & bit) && value.metaType() == OwnType(role) && data(column, role) == value) return;
        if (!Keep(role, value)) {
            Drop(bit);
            return QTreeWidgetItem::setData(column, role, value);
        }
        emitDataChanged();
    }

    // Whether the node holds a key of its own, and that key as it was set,
    // without a conversion.
    bool HoldsKey() const { return held_ & kOwnKey; }
    std::string_view OwnKey() const { return strings_.Key(); }
    // Sets the key (byte for byte) and the text of a node not yet in the
    // tree.
    void SetKeyAndText(std::string_view key, const QString& text) {
        strings_.Set(key, text);
        held_ |= kOwnKey | kOwnText;
    }
    // Sets every part of the look of a node not yet in the tree at once.
    void SetLook(RecordTreeLookRef look) { look_ = std::move(look); }

private:
    // The roles' bits: those of the look as the look has them, then the
    // node's own.
    static constexpr std::uint8_t kOwnKey = 32;
    static constexpr std::uint8_t kOwnText = 64;
    static std::uint8_t Bit(int role) {
        switch (role) {
            case kTagRole:
                return RecordTreeLook::kTag;
            case kImageRole:
                return RecordTreeLook::kImage;
            case Qt::DecorationRole:
                return RecordTreeLook::kIcon;
            case Qt::ForegroundRole:
                return RecordTreeLook::kForeground;
            case Qt::FontRole:
                return RecordTreeLook::kFont;
            case kKeyRole:
                return kOwnKey;
            case Qt::DisplayRole:
            case Qt::EditRole:
                return kOwnText;  // one text for both, as the item keeps it
            default:
                return 0;
        }
    }
    static QMetaType OwnType(int role) {
        switch (role) {
            case Qt::DecorationRole:
                return QMetaType::fromType<QIcon>();
            case Qt::ForegroundRole:
                return QMetaType::fromType<QBrush>();
            case Qt::FontRole:
                return QMetaType::fromType<QFont>();
            default:
                return QMetaType::fromType<QString>();
        }
    }
    std::uint8_t Held() const { return held_ | look_.Held(); }
    RecordTreeLook CurrentLook() const {
        const RecordTreeLook* look = look_.get();
        return look ? *look : RecordTreeLook{};
    }
    // Takes the value into the role's member; false for a value of another
    // type, or a key that would not read back the same.
    bool Keep(int role, const QVariant& value) {
        if (value.metaType() != OwnType(role)) return false;
        if (role == kKeyRole) {
            const QString text = value.toString();
            std::string key = text.toStdString();
            if (QString::fromStdString(key) != text) return false;
            strings_.SetKey(key);
            held_ |= kOwnKey;
            return true;
        }
        if (Bit(role) == kOwnText) {
            strings_.SetText(value.toString());
            held_ |= kOwnText;
            return true;
        }
        SetPart(Bit(role), value);
        return true;
    }
    // The role of `bit` is no longer held here.
    void Drop(std::uint8_t bit) {
        if (look_.Held() & bit) return SetPart(bit, QVariant());
        held_ &= static_cast<std::uint8_t>(~bit);
        if (bit == kOwnText) strings_.ClearText();
    }
    // Takes the look with the part of `bit` set to `value`, or without the
    // part for no value: the part goes back to its default, so that the
    // look equals others without it.
    void SetPart(std::uint8_t bit, const QVariant& value) {
        RecordTreeLook look = CurrentLook();
        switch (bit) {
            case RecordTreeLook::kTag:
                look.tag = value.toString();
                break;
            case RecordTreeLook::kImage:
                look.image = value.toString();
                break;
            case RecordTreeLook::kIcon:
                look.icon = value.value<QIcon>();
                break;
            case RecordTreeLook::kForeground:
                look.foreground = value.value<QBrush>();
                break;
            default:
                look.font = value.value<QFont>();
                break;
        }
        if (value.isValid())
            look.held |= bit;
        else
            look.held &= static_cast<std::uint8_t>(~bit);
        look_ = RecordTreeLookRef::Intern(look);
    }

    RecordTreeStrings strings_;
    RecordTreeLookRef look_;
    std::uint8_t held_ = 0;  // the node's own roles held here, by Bit
};

}  // namespace

// Paints the drop highlight and hands a finished label edit to the tree,
// which asks the window before the node takes the text.
class RecordTreeDelegate : public QStyledItemDelegate {
public:
    explicit RecordTreeDelegate(RecordTree* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override try {
        if (!tree_->dropHighlight_.empty() && index.data(kKeyRole).toString().toStdString() == tree_->dropHighlight_) {
            QStyleOptionViewItem highlighted = option;
            highlighted.state |= QStyle::State_Selected;
            QStyledItemDelegate::paint(painter, highlighted, index);
            return;
        }
        QStyledItemDelegate::paint(painter, option, index);
    }
    TRACE_BOUNDARY

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override try {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* node = tree_->itemFromIndex(index);
        if (!line || !node) return;
        if (tree_->CommitLabel(node, line->text())) QStyledItemDelegate::setModelData(editor, model, index);
    }
    TRACE_BOUNDARY

private:
    RecordTree* tree_;
};

RecordTree::RecordTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setItemDelegate(new RecordTreeDelegate(this));
    // Drops arrive at the viewport, in the coordinates hit tests use; the
    // view starts no drag of its own (the window starts them).
    viewport()->setAcceptDrops(true);
    setDragEnabled(false);
    setDropIndicatorShown(false);
}

void RecordTree::SetImageList(const ImageList* images) {
    images_ = images;
    pictures_.clear();
    looks_.clear();
    byKey_.ForEach([this](QTreeWidgetItem* node) { SetImage(node, Image(node)); });
}

QTreeWidgetItem* RecordTree::NewNode(const std::string& key, const std::string& text, RecordTreeLookRef look) {
    // One probe of the index both finds a key in use and enters the node.
    auto* node = new RecordTreeItem;
    bool entered = false;
    try {
        node->setFlags(node->flags() | Qt::ItemIsEditable);
        node->SetKeyAndText(key, qtplat::AnsiToQString(text));
        node->SetLook(std::move(look));
        entered = byKey_.Insert(node);
    } catch (...) {
        delete node;
        throw;
    }
    if (!entered) {
        delete node;
        throw vb::VbError(kErrKeyNotUnique, "Key is not unique in collection");
    }
    return node;
}

QTreeWidgetItem* RecordTree::Relative(const std::string& relativeKey) const {
    if (relativeKey.empty()) return nullptr;
    QTreeWidgetItem* relative = Find(relativeKey);
    if (!relative) throw vb::VbError(kErrNoSuchElement, "Element not found");
    return relative;
}

QTreeWidgetItem* RecordTree::AddNode(const std::string& relativeKey, Relationship relationship, const std::string& key,
                                     const std::string& text, const std::string& image) {
    EndFill();  // a node placed beside another needs the tree as it is shown
    QTreeWidgetItem* relative = Relative(relativeKey);
    QTreeWidgetItem* node = NewNode(key, text, RecordTreeLookRef::Intern(PictureLook(image)));
    Insert(node, relative, relationship);
    return node;
}

QTreeWidgetItem* RecordTree::AddTreeNode(const std::string& parentKey, const TreeNode& n) {
    // The core adds a node's children one after another.
    if (parentKey != lastParentKey_ || !lastParent_) {
        lastParent_ = Relative(parentKey);
        lastParentKey_ = parentKey;
    }
    QTreeWidgetItem* parent = lastParent_;
    // The node's whole look is set while the node is outside the tree, where
    // a change tells the view nothing.
    QTreeWidgetItem* node = NewNode(n.key, n.text, LookOf(n));
    Insert(node, parent, parent ? tvwChild : tvwLast);
    return node;
}

void RecordTree::BeginFill() { filling_ = true; }

void RecordTree::EndFill() noexcept {
    filling_ = false;
    if (held_.isEmpty()) return;
    addTopLevelItems(held_);
    held_.clear();
}

void RecordTree::Insert(QTreeWidgetItem* node, QTreeWidgetItem* relative, Relationship relationship) {
    if (!relative && filling_) {
        held_.append(node);
        return;
    }
    if (!relative) {
        if (relationship == tvwFirst)
            insertTopLevelItem(0, node);
        else
            addTopLevelItem(node);
    } else if (relationship == tvwChild) {
        relative->addChild(node);
    } else {
        QTreeWidgetItem* parentNode = relative->parent() ? relative->parent() : invisibleRootItem();
        const int at = parentNode->indexOfChild(relative);
        switch (relationship) {
            case tvwFirst:
                parentNode->insertChild(0, node);
                break;
            case tvwNext:
                parentNode->insertChild(at + 1, node);
                break;
            case tvwPrevious:
                parentNode->insertChild(at, node);
                break;
            default:
                parentNode->addChild(node);
                break;
        }
    }
}

const RecordTree::Picture& RecordTree::PictureOf(const std::string& image) {
    auto [it, added] = pictures_.try_emplace(image);
    if (added) {
        it->second.key = QString::fromStdString(image);
        if (images_) it->second.icon = images_->Icon(image);
    }
    return it->second;
}

RecordTreeLook RecordTree::PictureLook(const std::string& image) {
    const Picture& picture = PictureOf(image);
    RecordTreeLook look;
    look.image = picture.key;
    look.icon = picture.icon;
    look.held = RecordTreeLook::kImage | RecordTreeLook::kIcon;
    return look;
}

const RecordTreeLookRef& RecordTree::LookOf(const TreeNode& n) {
    const QFont& font = FontOf(n.bold);  // first: new fonts drop the looks made before
    LookKey key{n.image, n.tag, n.colour, n.bold};
    auto it = looks_.find(key);
    if (it != looks_.end()) return it->second;
    RecordTreeLook look = PictureLook(n.image);
    look.tag = SharedTag(n.tag);
    look.foreground = BrushOf(n.colour);
    look.font = font;
    look.held |= RecordTreeLook::kTag | RecordTreeLook::kForeground | RecordTreeLook::kFont;
    return looks_.emplace(std::move(key), RecordTreeLookRef::Intern(look)).first->second;
}

const QString& RecordTree::SharedTag(const std::string& tag) {
    auto [it, added] = tags_.try_emplace(tag);
    if (added) it->second = QString::fromStdString(tag);
    return it->second;
}

const QBrush& RecordTree::BrushOf(std::int32_t colour) {
    auto [it, added] = brushes_.try_emplace(colour);
    if (added) it->second = QBrush(ColourOf(colour));
    return it->second;
}

const QFont& RecordTree::FontOf(bool bold) {
    // The fonts SetBold gives a new node, made again when the default
    // font has changed.
    if (const QFont base; base != fontBase_ || fonts_[0] == fonts_[1]) {
        fontBase_ = base;
        fonts_[0] = base;
        fonts_[0].setBold(false);
        fonts_[1] = base;
        fonts_[1].setBold(true);
        looks_.clear();
    }
    return fonts_[bold ? 1 : 0];
}

void RecordTree::Forget(QTreeWidgetItem* node) {
    for (int i = 0; i < node->childCount(); ++i) Forget(node->child(i));
    const std::string key = Key(node);
    byKey_.Erase(key);
    if (node == lastParent_) lastParent_ = nullptr;
    if (key == dropHighlight_) dropHighlight_.clear();
}

void RecordTree::RemoveNode(const std::string& key) {
    QTreeWidgetItem* node = Find(key);
    if (!node) return;
    EndFill();
    Forget(node);
    delete node;
}

bool RecordTree::IsBelow(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) {
    for (const QTreeWidgetItem* p = node ? node->parent() : nullptr; p; p = p->parent())
        if (p == ancestor) return true;
    return false;
}

namespace {

void CollectExpanded(QTreeWidgetItem* node, std::vector<QTreeWidgetItem*>& open) {
    if (node->isExpanded()) open.push_back(node);
    for (int i = 0; i < node->childCount(); ++i) CollectExpanded(node->child(i), open);
}

}  // namespace

bool RecordTree::MoveNode(const std::string& key, const std::string& newParentKey) {
    EndFill();
    QTreeWidgetItem* node = Find(key);
    QTreeWidgetItem* newParent = Find(newParentKey);
    if (!node || !newParent || newParent == node || IsBelow(newParent, node)) return false;
    // The view forgets which nodes of a subtree it lets go of were open.
    std::vector<QTreeWidgetItem*> open;
    CollectExpanded(node, open);
    QTreeWidgetItem* oldParent = node->parent() ? node->parent() : invisibleRootItem();
    oldParent->takeChild(oldParent->indexOfChild(node));
    newParent->addChild(node);
    for (QTreeWidgetItem* n : open) n->setExpanded(true);
    return true;
}

void RecordTree::ClearNodes() {
    byKey_.Clear();
    lastParent_ = nullptr;
    dropHighlight_.clear();
    qDeleteAll(held_);
    held_.clear();
    clear();
}

QTreeWidgetItem* RecordTree::Find(const std::string& key) const { return byKey_.Find(key); }

std::string_view RecordTree::IndexKey(const QTreeWidgetItem* node) {
    // Only NewNode's nodes enter the index, each with its key.
    return static_cast<const RecordTreeItem*>(node)->OwnKey();
}

std::string RecordTree::Key(const QTreeWidgetItem* node) {
    if (const auto* item = dynamic_cast<const RecordTreeItem*>(node))
        if (item->HoldsKey()) return std::string(item->OwnKey());
    return node->data(0, kKeyRole).toString().toStdString();
}

std::string RecordTree::Tag(const QTreeWidgetItem* node) { return node->data(0, kTagRole).toString().toStdString(); }

void RecordTree::SetTag(QTreeWidgetItem* node, const std::string& tag) {
    node->setData(0, kTagRole, QString::fromStdString(tag));
}

double RecordTree::TagValue(const QTreeWidgetItem* node) { return vb::Val(Tag(node)); }

std::int32_t RecordTree::Number(const QTreeWidgetItem* node) { return modMain::KeyNumber(Key(node)); }

std::string RecordTree::Text(const QTreeWidgetItem* node) {
    // A node's text came from the code page or was accepted into it.
    return qtplat::QStringToAnsi(node->text(0)).value_or(std::string());
}

void RecordTree::SetText(QTreeWidgetItem* node, const std::string& text) {
    node->setText(0, qtplat::AnsiToQString(text));
}

std::string RecordTree::Image(const QTreeWidgetItem* node) const {
    return node->data(0, kImageRole).toString().toStdString();
}

void RecordTree::SetImage(QTreeWidgetItem* node, const std::string& image) {
    const Picture& picture = PictureOf(image);
    node->setData(0, kImageRole, picture.key);
    node->setIcon(0, picture.icon);
}

bool RecordTree::Bold(const QTreeWidgetItem* node) { return node->font(0).bold(); }

void RecordTree::SetBold(QTreeWidgetItem* node, bool bold) {
    QFont font = node->font(0);
    font.setBold(bold);
    node->setFont(0, font);
}

void RecordTree::SetForeColor(QTreeWidgetItem* node, std::int32_t colour) {
    node->setForeground(0, QBrush(ColourOf(colour)));
}

QTreeWidgetItem* RecordTree::SelectedItem() const { return currentItem(); }

void RecordTree::SetSelectedItem(QTreeWidgetItem* node) {
    setCurrentItem(node);
    if (node) scrollToItem(node);
}

QTreeWidgetItem* RecordTree::DropHighlight() const { return dropHighlight_.empty() ? nullptr : Find(dropHighlight_); }

void RecordTree::SetDropHighlight(QTreeWidgetItem* node) {
    dropHighlight_ = node ? Key(node) : std::string();
    viewport()->update();
}

QTreeWidgetItem* RecordTree::HitTest(float x, float y) const {
    return itemAt(QPoint(twips::ToPixels(x), twips::ToPixels(y)));
}

void RecordTree::StartLabelEdit(QTreeWidgetItem* node) {
    if (!node) return;
    SetSelectedItem(node);
    editItem(node, 0);
}

bool RecordTree::CommitLabel(QTreeWidgetItem* node, const QString& text) {
    return !onAfterLabelEdit || onAfterLabelEdit(node, text);
}

void RecordTree::NotePointer(const QPointF& pos) {
    pointerX_ = static_cast<float>(twips::FromPixels(static_cast<int>(pos.x())));
    pointerY_ = static_cast<float>(twips::FromPixels(static_cast<int>(pos.y())));
}

void RecordTree::mousePressEvent(QMouseEvent* e) try {
    NotePointer(e->position());
    const int button = VbButton(e->button());
    // The right button leaves the selection alone; the window pops its menu.
    if (button == 2)
        e->accept();
    else
        QTreeWidget::mousePressEvent(e);
    if (onMouseDown) onMouseDown(button, VbShift(e->modifiers()), pointerX_, pointerY_);
}
TRACE_BOUNDARY

void RecordTree::mouseMoveEvent(QMouseEvent* e) try {
    NotePointer(e->position());
    // With the left button held the pointer drags the pressed node; it never
    // carries the selection along to the nodes it passes.
    if (!(e->buttons() & Qt::LeftButton)) QTreeWidget::mouseMoveEvent(e);
    if (onMouseMove) onMouseMove(VbButtons(e->buttons()), VbShift(e->modifiers()), pointerX_, pointerY_);
}
TRACE_BOUNDARY

void RecordTree::mouseReleaseEvent(QMouseEvent* e) try {
    NotePointer(e->position());
    const int button = VbButton(e->button());
    if (button != 2) QTreeWidget::mouseReleaseEvent(e);
    if (onMouseUp) onMouseUp(button, VbShift(e->modifiers()), pointerX_, pointerY_);
    if (button == 1 && onClick) onClick();
}
TRACE_BOUNDARY

void RecordTree::mouseDoubleClickEvent(QMouseEvent* e) try {
    NotePointer(e->position());
    QTreeWidget::mouseDoubleClickEvent(e);
    if (VbButton(e->button()) == 1 && onDblClick) onDblClick();
}
TRACE_BOUNDARY

void RecordTree::keyReleaseEvent(QKeyEvent* e) try {
    QTreeWidget::keyReleaseEvent(e);
    if (e->isAutoRepeat()) return;
    if (onKeyUp) onKeyUp(qtplat::VirtualKeyOf(e->key()), VbShift(e->modifiers()));
}
TRACE_BOUNDARY
