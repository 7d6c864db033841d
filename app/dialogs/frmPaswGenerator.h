#pragma once
// The password generator: makes random passwords of a chosen length, shows
// the last one and can put it on the clipboard. The length (option 15) and
// the clipboard choice (option 10) change in the options in memory as the
// controls change.
//
// Result: LastGenPasw is the last password generated while the dialog was
// open; the dialog never empties it, and neither OK nor Cancel changes it (a
// password edited by hand in the box is not handed back). The record dialogs
// empty it before they open the generator and take what it holds afterwards.
#include <optional>
#include <string>

#include "app/dialogs/VbDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmPaswGenerator : public VbDialog {
public:
    explicit frmPaswGenerator(Owner owner);

    // Shows the generator modally: from the main window's Tools menu and the
    // tray with the main window as owner.
    static void Show(Owner owner);
    // For the record dialogs: empties LastGenPasw, shows the generator
    // without owner and answers the password generated last, or nothing when
    // none was.
    static std::optional<trace::Secret> GenerateForRecord();

    std::string DumpModuleVars() const override;
    void ShowFormLang() override;
    void DoConfig();

    void txtPaswLenght_Change();
    void chkClipCopy_Click();
    void cmdGenerate_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

    QLabel* lblLengthCap;
    QLineEdit* txtPaswLenght;
    QLabel* lblNote;
    QLabel* lblPaswCap;
    QLineEdit* txtPasw;
    QCheckBox* chkClipCopy;
    QPushButton* cmdGenerate;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    // The length text before its last change.
    std::string PrevLenght;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;

private:
    void CopyToClipboard();
};
