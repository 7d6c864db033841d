#include "app/dialogs/frmAddRecord.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/core/CoreView.h"
#include "app/core/TreeKeys.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/trace/Trace.h"
#include "platform/qt/AnsiText.h"

frmAddRecord::frmAddRecord(CoreView& tree) : RowDialog("frmAddRecord", RowKind::Record), tree_(tree) {
    setWindowTitle(QStringLiteral("Add Record"));
    txtTitle->setText(qtplat::AnsiToQString(modMain::NewRecordText()));
    cmdOk = Control<QPushButton>("cmdOk");
    cmdOk->setText(QStringLiteral("Ok"));
    AddButtonRow(cmdOk);
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    txtTitle->setFocus();
}

void frmAddRecord::Show(const std::string& rParent, CoreView& tree) {
    frmAddRecord dialog(tree);
    dialog.rParent = rParent;
    dialog.ShowModal();
}

std::string frmAddRecord::DumpModuleVars() const { return trace::DumpVariable("rParent", rParent); }

void frmAddRecord::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    modMain::DbgPrint("FUNC: frmAddRecord.Form_Load");
    NoteDatabase();
    ShowFormLang();
}

void frmAddRecord::ShowFormLang() {
    TRACE("ShowFormLang");
    SetTitle(101);
    ShowRowCaptions();
    SetCaption(cmdOk, 25);
    SetCaption(cmdCancel, 24);
}

void frmAddRecord::Form_Activate() {
    TRACE("Form_Activate");
    ApplyAlwaysOnTop();
}

void frmAddRecord::cmdOk_Click() try {
    TRACE("cmdOk_Click");
    const std::optional<Confirmed> confirmed = Confirm();
    if (!confirmed) return;
    // The dialog stays open, so nothing the user typed is lost.
    if (modMain::TellRowRefusal(*confirmed->db, false, "frmAddRecord")) return;
    const RowTexts& texts = confirmed->texts;
    std::string id =
        modMain::AddRecordToDB(rParent, texts.title, texts.login, texts.password, texts.description, *confirmed->db);
    TRACE_LOCAL(id);
    TreeNode node;
    modMain::MakeRowNode(node, id, texts.title, false);
    tree_.AddTreeNode(modMain::NodeKey(rParent), node);
    Unload();
}
TRACE_BOUNDARY
