#include "app/dialogs/RowEditDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/core/TreeKeys.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"
#include "resources/icons/QpmImages.h"

namespace {

// The tree's pictures "1key" ... "43key". The database's own picture, which
// follows them in the tree's list, is no row's image.
constexpr int kRowImages = 43;

QColor FromColorValue(std::int32_t value) {
    const auto c = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

// The tree's pictures are compiled-in resources, registered on first use.
void UseTreePictures() {
    static const bool registered = (qpmimages::InitImages(), true);
    (void)registered;
}

}  // namespace

// ---- The colour swatch ----

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    setMinimumSize(48, 20);
    SetBackColor(0);
}

void ColorSwatch::SetBackColor(std::int32_t colour) {
    colour_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, FromColorValue(colour));
    setPalette(p);
}

void ColorSwatch::mouseDoubleClickEvent(QMouseEvent* /*event*/) try {
    if (onDblClick) onDblClick();
}
TRACE_BOUNDARY

// ---- The dialog ----

RowEditDialog::RowEditDialog(const char* formName, RowKind kind, std::int32_t titleText, TreeNodeTarget& tree)
    : RowDialog(formName, kind), titleText_(titleText), tree_(tree) {
    UseTreePictures();
    lblIconCap = Control<QLabel>("lblIconCap");
    lblIconCap->setText(QStringLiteral("Icon:"));
    imcIcons = Control<QComboBox>("imcIcons");
    imcIcons->setIconSize(QSize(16, 16));
    lblIconCap->setBuddy(imcIcons);
    AddGridRow(lblIconCap, imcIcons);
    lblColor = Control<QLabel>("lblColor");
    lblColor->setText(QStringLiteral("Color:"));
    picColor = Control<ColorSwatch>("picColor");
    cmdChangeCol = Control<QPushButton>("cmdChangeCol");
    cmdChangeCol->setText(QStringLiteral("Change Color"));
    AddGridRow(lblColor, picColor, cmdChangeCol);
    chkBold = Control<QCheckBox>("chkBold");
    chkBold->setText(QStringLiteral("Bold"));
    AddGridRow(nullptr, chkBold);
    cmdSaveChanges = Control<QPushButton>("cmdSaveChanges");
    cmdSaveChanges->setText(QStringLiteral("Save changes"));
    AddButtonRow(cmdSaveChanges);

    connect(cmdChangeCol, &QPushButton::clicked, this, [this] { cmdChangeCol_Click(); });
    connect(cmdSaveChanges, &QPushButton::clicked, this, [this] { cmdSaveChanges_Click(); });
    picColor->onDblClick = [this] { picColor_DblClick(); };
    txtTitle->setFocus();
}

std::string RowEditDialog::DumpModuleVars() const {
    return trace::DumpVariable("RecColor", RecColor) + trace::DumpVariable("RecFlags", RecFlags) +
           trace::DumpVariable("RecordID", RecordID);
}

void RowEditDialog::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    NoteDatabase();
    DoConfig();
}

void RowEditDialog::DoConfig() {
    TRACE("DoConfig");
    std::int32_t table = 0;
    TRACE_LOCAL(table);
    const std::int32_t row = modMain::CurUsDB ? FindRow(*modMain::CurUsDB, table) : 0;
    TRACE_LOCAL(row);
    if (row < 1) {
        modMain::DbgPrint(std::string(TraceName()) + ": no row has the key \"" + RecordID + "\"; nothing to edit");
        qtplat::MsgBox("This item is not in the database, so it cannot be edited.", qtplat::vbExclamation);
        Unload();
        return;
    }
    clsDatabase& db = *modMain::CurUsDB;
    imcIcons->clear();
    for (int i = 1; i <= kRowImages; ++i)
        imcIcons->addItem(QIcon(QStringLiteral(":/tree/%1.png").arg(QString::fromStdString(modMain::ImageKey(i)))),
                          QString(), i);
    SelectIcon(db.GetTblFldValNm(table, row, "Image"));
    ReadFlags(db.GetTblFldValNm(table, row, "Flags"));
    RowTexts texts;
    texts.title = db.GetTblFldValNm(table, row, "Title");
    if (isRecord_) {
        texts.login = db.GetTblFldValNm(table, row, "Login");
        texts.password = db.GetTblFldValNm(table, row, "Password");
        texts.description = db.GetTblFldValNm(table, row, "Description");
    }
    ShowRowTexts(texts);
    ShowFormLang();
}

std::int32_t RowEditDialog::FindRow(clsDatabase& db, std::int32_t& table) {
    TRACE("FindRow", TV(table));
    // The root ("0key") and keys without a number are no row's.
    const std::int32_t number = modMain::KeyNumber(RecordID);
    if (number < 1) return 0;
    table = db.FindTable(modMain::kDataTable);
    const std::int32_t column = table > 0 ? db.FindField(table, "IndNum") : 0;
    std::int32_t start = 0;
    return column > 0 ? db.GetRecNumFromVal(table, column, vb::CStr(number), start) : 0;
}

void RowEditDialog::SelectIcon(const std::string& image) {
    TRACE("SelectIcon", TV(image));
    const std::int32_t n = modMain::KeyNumber(image);
    imcIcons->setCurrentIndex(n >= 1 && n <= kRowImages ? n - 1 : -1);
}

void RowEditDialog::ReadFlags(const std::string& flags) {
    TRACE("ReadFlags", TV(flags));
    std::int32_t colour = 0;
    std::int32_t bits = 0;
    try {
        modMain::GetSepatRecOptns(flags, colour, bits);
    } catch (const vb::VbError&) {
        trace_frame_.Recover();
        modMain::DbgPrint(std::string(TraceName()) + ": the flags \"" + flags + "\" of \"" + RecordID +
                          "\" cannot be read; shown black and plain");
        colour = bits = 0;
    }
    picColor->SetBackColor(colour);
    RecColor = colour;
    RecFlags = bits;
    chkBold->setChecked((RecFlags & 1) != 0);
}

void RowEditDialog::ShowFormLang() {
    TRACE("ShowFormLang");
    SetTitle(titleText_);
    ShowRowCaptions();
    SetCaption(lblIconCap, 67, true);
    SetCaption(lblColor, 68, true);
    SetCaption(cmdChangeCol, 71);
    SetCaption(chkBold, 70);
    SetCaption(cmdSaveChanges, 69);
    SetCaption(cmdCancel, 24);
}

void RowEditDialog::cmdChangeCol_Click() try {
    TRACE("cmdChangeCol_Click");
    const std::int32_t c = modMain::ShowChooseColor(this, RecColor);
    TRACE_LOCAL(c);
    if (c == -1 || !IsLoaded()) return;
    RecColor = c;
    picColor->SetBackColor(c);
}
TRACE_BOUNDARY

void RowEditDialog::picColor_DblClick() try {
    TRACE("picColor_DblClick");
    cmdChangeCol_Click();
}
TRACE_BOUNDARY

void RowEditDialog::cmdSaveChanges_Click() try {
    TRACE("cmdSaveChanges_Click");
    const std::optional<Confirmed> confirmed = Confirm();
    if (!confirmed) return;
    clsDatabase* db = confirmed->db;
    const RowTexts& texts = confirmed->texts;
    std::int32_t table = 0;
    TRACE_LOCAL(table);
    const std::int32_t row = FindRow(*db, table);
    TRACE_LOCAL(row);
    if (row < 1) {
        modMain::DbgPrint(std::string(TraceName()) + ": the row of \"" + RecordID + "\" is gone; nothing saved");
        qtplat::MsgBox("This item is no longer in the database. Nothing was changed.", qtplat::vbExclamation);
        Unload();
        return;
    }
    db->SetTblFldValNm(table, row, "Title", texts.title);
    if (isRecord_) {
        db->SetTblFldValNm(table, row, "Login", texts.login);
        db->SetTblFldValNm(table, row, "Password", texts.password);
        db->SetTblFldValNm(table, row, "Description", texts.description);
    }
    TreeNode node;
    node.key = RecordID;
    node.text = texts.title;
    // No picture chosen: the row and the node keep theirs.
    if (imcIcons->currentIndex() >= 0) {
        node.image = modMain::ImageKey(imcIcons->currentData().toInt());
        db->SetTblFldValNm(table, row, "Image", node.image);
    }
    RecFlags = chkBold->isChecked() ? (RecFlags | 1) : (RecFlags & ~1);
    node.colour = picColor->BackColor();
    node.bold = chkBold->isChecked();
    db->SetTblFldValNm(table, row, "Flags", vb::CStr(node.colour) + "|" + vb::CStr(RecFlags));
    tree_.UpdateTreeNode(node);
    Unload();
}
TRACE_BOUNDARY
