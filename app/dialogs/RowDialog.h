#pragma once
// The common ground of the dialogs that write one row of the logged-in
// user's "DataTable": adding a record, editing a record, editing a folder.
//
// They share the title box and, for a record, the login, password (shown in
// clear) and description boxes with the button that takes a password from
// the generator; Esc is Cancel whatever control has the focus. What the user
// typed is taken as code-page text, all boxes or none: a box holding a
// character the code page cannot store is refused with a message and the
// dialog stays open with everything typed.
//
// A dialog remembers the database it was opened on. Should another one have
// become the current database by the time the user confirms (another user
// logged in meanwhile), nothing is written: the row and the node the dialog
// was opened for are not that database's.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/dialogs/VbDialog.h"

class clsDatabase;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class RowDialog : public VbDialog {
public:
    enum class RowKind { Folder, Record };

    void cmdGenerate_Click();
    void cmdCancel_Click();

    QLabel* lblTitleCap;
    QLineEdit* txtTitle;
    // A record's boxes; nullptr in a folder's dialog.
    QLabel* lblLoginCap = nullptr;
    QLineEdit* txtLogin = nullptr;
    QLabel* lblPaswCap = nullptr;
    QLineEdit* txtPasw = nullptr;
    QLabel* lblDescCap = nullptr;
    QPlainTextEdit* txtDesc = nullptr;
    QPushButton* cmdGenerate = nullptr;
    QPushButton* cmdCancel;

protected:
    RowDialog(const char* formName, RowKind kind);

    // The texts of the boxes. A folder's dialog has only the title.
    struct RowTexts {
        std::string title;
        trace::Secret login;
        trace::Secret password;
        trace::Secret description;
    };
    void ShowRowTexts(const RowTexts& texts);
    // The captions of the title and record rows (entry labels with ":").
    void ShowRowCaptions();

    // Takes note of the current database (at load).
    void NoteDatabase();
    // The first steps of the confirming button: the database the dialog was
    // opened on and the boxes' texts. Nothing when nothing is to be written:
    // the dialog is closed after a message when another database is the
    // current one now, and stays open after a message when a text is refused.
    struct Confirmed {
        clsDatabase* db;
        RowTexts texts;
    };
    std::optional<Confirmed> Confirm();

    // Adds a row of controls below the others; `extra` goes in a third column.
    void AddGridRow(QWidget* label, QWidget* field, QWidget* extra = nullptr);
    // The last row: the confirming button and Cancel on the right, which
    // are also the last two stops of Tab.
    void AddButtonRow(QPushButton* confirm);

    void Form_KeyDown(int& KeyCode, int Shift) override;

    const bool isRecord_;

private:
    // What the boxes hold; nothing, after a message saying why, when one of
    // them holds a character the code page cannot store.
    std::optional<RowTexts> EnteredRowTexts();

    QGridLayout* grid_;
    int nextRow_ = 0;
    std::weak_ptr<clsDatabase> openedOn_;
};
