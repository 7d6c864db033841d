#pragma once
// The find dialog: searches the logged-in user's records for a text, in the
// titles or in every visible field, and shows each hit in turn in the main
// window's record tree. It stays open, so "Find" goes on to the next hit;
// the search walks on from the row after the last hit (FindIndNum, never
// reset here) and wraps to the top once.
//
// The search text (LastFindText) and the choices (option 8 case-sensitive,
// option 9 titles only) change in memory as the controls change; they reach
// the options file with the next save of the options.
#include "app/dialogs/FindTarget.h"
#include "app/dialogs/VbDialog.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmFind : public VbDialog {
public:
    // The main window opens it from its menu and toolbar, as the owner; the
    // hits are shown in `target`'s tree.
    explicit frmFind(FindTarget& target);

    // Shows the dialog modally over the main window.
    static void Show(FindTarget& target);

    void ShowFormLang() override;

    void txtFindText_Change();
    void chkCaseSens_Click();
    void optSearchTitles_Click();
    void optSearchEverywhere_Click();
    void optSearchEverywhere_KeyDown(int& KeyCode, int Shift);
    void cmdFind_Click();
    void cmdCancel_Click();

    QFrame* framCanvas;
    QLabel* lblFindTextCap;
    QLineEdit* txtFindText;
    QGroupBox* framCanvas2;
    QWidget* picFrame;
    QRadioButton* optSearchTitles;
    QRadioButton* optSearchEverywhere;
    QWidget* picFrame2;
    QCheckBox* chkCaseSens;
    QPushButton* cmdFind;
    QPushButton* cmdCancel;

protected:
    void Form_Load() override;
    void Form_Activate() override;

private:
    void DoConfig();
    // Option 9 from the selected scope.
    void StoreScope();
    // Shows the row `row` of "DataTable" in the tree as a click would.
    void ShowHit(std::int32_t tbl, std::int32_t row);

    FindTarget& target_;
};
