#pragma once
// The edit record and edit folder dialogs' common part: one row of the
// logged-in user's "DataTable", named by its node's key, is shown with its
// title (and a record's login, password and description), its icon, its
// colour and its bold flag; Save writes the row in memory and updates the
// node in the main window's tree. The file is written with the user's
// database later. Nothing is validated: an empty title is a title.
//
// The row's "Flags" are "<colour>|<bits>", bit value 1 = bold; the other
// bits are kept as they are. Its "Image" is "<n>key" for picture n of the
// tree's 43; a row whose image is no such picture keeps it unless another
// picture is chosen. A key no row has is refused when the dialog opens.
#include <QFrame>
#include <cstdint>
#include <functional>
#include <string>

#include "app/dialogs/RowDialog.h"
#include "app/dialogs/TreeNodeTarget.h"

class QCheckBox;
class QComboBox;

// The colour swatch: a box filled with a colour (a colour value, red in the
// low byte), reporting a double click.
class ColorSwatch : public QFrame {
public:
    explicit ColorSwatch(QWidget* parent);
    std::int32_t BackColor() const { return colour_; }
    void SetBackColor(std::int32_t colour);
    std::function<void()> onDblClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::int32_t colour_ = 0;
};

class RowEditDialog : public RowDialog {
public:
    std::string DumpModuleVars() const override;
    void ShowFormLang() override;
    void DoConfig();

    void cmdChangeCol_Click();
    void picColor_DblClick();
    void cmdSaveChanges_Click();

    QLabel* lblIconCap;
    QComboBox* imcIcons;
    QLabel* lblColor;
    ColorSwatch* picColor;
    QPushButton* cmdChangeCol;
    QCheckBox* chkBold;
    QPushButton* cmdSaveChanges;

    // The node key of the row, "<IndNum>key": the input.
    std::string RecordID;
    // The colour the colour dialog starts with.
    std::int32_t RecColor = 0;
    // The row's flag bits.
    std::int32_t RecFlags = 0;

protected:
    RowEditDialog(const char* formName, RowKind kind, std::int32_t titleText, TreeNodeTarget& tree);
    void Form_Load() override;

private:
    // The row of RecordID in `db`: its record number (0 when no row has that
    // IndNum) and the table's number.
    std::int32_t FindRow(clsDatabase& db, std::int32_t& table);
    // The row's colour and flag bits; a damaged flags text reads as black and
    // plain, as the tree shows it.
    void ReadFlags(const std::string& flags);
    void SelectIcon(const std::string& image);

    const std::int32_t titleText_;
    TreeNodeTarget& tree_;
};
