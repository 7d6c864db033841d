#pragma once
// What a record node shows beside its key and text: its tag, image key,
// picture, text colour and font. Most nodes of a tree show one of a handful of
// such looks, so a node holds a counted reference to one interned copy of its
// look (one pointer) where five members of its own would cost 80 bytes a
// node. A look is never changed once interned: a node whose value changes
// takes the look that has the new value, made when no node has it yet.
//
// Interned looks are shared by every tree of the program; they are made and
// dropped on the GUI thread only, as the nodes that hold them.
#include <QBrush>
#include <QFont>
#include <QIcon>
#include <QString>
#include <cstddef>
#include <cstdint>

struct RecordTreeLook {
    // The parts a look holds; a part it does not hold keeps its default
    // value, so that looks holding the same values are equal.
    enum Part : std::uint8_t { kTag = 1, kImage = 2, kIcon = 4, kForeground = 8, kFont = 16 };

    QString tag;
    QString image;
    QIcon icon;
    QBrush foreground;
    QFont font;
    std::uint8_t held = 0;

    // Equal values, read back alike: strings equal and both null or not,
    // pictures of the same contents, fonts equal in what they set.
    bool operator==(const RecordTreeLook& other) const;
};

// A counted reference to an interned look; the empty reference holds no part.
class RecordTreeLookRef {
public:
    RecordTreeLookRef() = default;
    // The interned look equal to `look`, made if there is none.
    static RecordTreeLookRef Intern(const RecordTreeLook& look);

    RecordTreeLookRef(const RecordTreeLookRef& other) noexcept;
    RecordTreeLookRef(RecordTreeLookRef&& other) noexcept;
    RecordTreeLookRef& operator=(RecordTreeLookRef other) noexcept;
    ~RecordTreeLookRef();

    // The look, or nullptr for the empty reference.
    const RecordTreeLook* get() const;
    std::uint8_t Held() const { return entry_ ? Look().held : 0; }
    // The number of interned looks, for tests.
    static std::size_t InternedCount();

    struct Entry;  // an interned look with its count of references

private:
    explicit RecordTreeLookRef(Entry* entry) : entry_(entry) {}
    const RecordTreeLook& Look() const;

    Entry* entry_ = nullptr;
};
