#pragma once
// The options dialog: start with the desktop (option 3), log in the last
// user at start (7), tray mode (12), the inactivity lock and its minutes
// (11), automatic backups and their number of copies (13), and the databases
// folder (5).
//
// The options change in memory as each control changes; "Save Changes"
// applies tray mode and writes the options file, Cancel (or Esc) puts back
// the options as they were when the dialog opened. Two changes take effect
// at once and stay even after Cancel: the autorun entry, written when the
// start check box changes, and a new databases folder, saved when it is
// chosen. The close box keeps the changes in memory without saving them.
//
// Options 11 and 13 carry a leading "n" while their feature is off, so the
// number is kept for when it is switched on again. Only a whole number from
// 1 to 999 is taken from the minutes and copies boxes: anything else never
// reaches the options, and "Save Changes" says what is wrong.
#include <cstdint>
#include <optional>
#include <string>

#include "app/dialogs/TrayIconTarget.h"
#include "app/dialogs/VbDialog.h"
#include "app/trace/VbArray.h"

namespace modMain {
enum class Option : long;
}

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class frmOptions : public VbDialog {
public:
    // The main window opens it from its Tools menu, as the owner; tray mode
    // is applied to `tray`.
    explicit frmOptions(TrayIconTarget& tray);

    // Shows the dialog modally over the main window.
    static void Show(TrayIconTarget& tray);

    // The number a minutes or copies box holds: a whole number from 1 to
    // 999 in decimal digits, or nothing.
    static std::optional<std::int32_t> BoxNumber(const QString& text);

    std::string DumpModuleVars() const override;
    void ShowFormLang() override;

    void chkStartWithWin_Click();
    void chkLoadLUser_Click();
    void chkTrayMode_Click();
    void chkPaswProtect_Click();
    void chkDBBackup_Click();
    void txtInactMin_Change();
    void txtBackCopies_Change();
    void cmdChangeDBPath_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

    QFrame* framCanvas;
    QWidget* picFrame;
    QCheckBox* chkStartWithWin;
    QCheckBox* chkPaswProtect;
    QLineEdit* txtInactMin;
    QLabel* lblInactMinCap;
    QCheckBox* chkLoadLUser;
    QCheckBox* chkTrayMode;
    QCheckBox* chkDBBackup;
    QLineEdit* txtBackCopies;
    QLabel* lblBackCopiesCap;
    QLabel* lblDBPathCap;
    QLineEdit* txtDBPath;
    QPushButton* cmdChangeDBPath;
    QLabel* lblLangCap;
    QComboBox* cmbLang;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;

private:
    void DoConfig();
    // A check box of a plain "0"/"1" option.
    void StoreCheck(modMain::Option n, const QCheckBox* box);
    // Fills a switch and its number box from option n (11 or 13).
    void ShowNumberOption(modMain::Option n, QCheckBox* check, QLineEdit* box);
    // The switch of option n was clicked.
    void NumberSwitchClick(modMain::Option n, const QCheckBox* check, QLineEdit* box);
    // The number box of option n changed.
    void NumberBoxChange(modMain::Option n, const QCheckBox* check, const QLineEdit* box);
    // False, after a message, when a switched-on number box holds no number.
    bool NumberIsValid(const QCheckBox* check, QLineEdit* box, const char* message);

    TrayIconTarget& tray_;
    trace::VbArray<std::string> oldProgConfig;
};
