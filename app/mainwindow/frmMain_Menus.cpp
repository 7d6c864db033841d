// The menu bar, the three hidden popup menus and the toolbar, with their
// captions from the language texts.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <vector>

#include "app/core/modLang.h"
#include "app/mainwindow/ImageList.h"
#include "app/mainwindow/frmMain.h"
#include "platform/qt/AnsiText.h"

namespace {

using Handler = void (frmMain::*)();

// One menu item; a separator has no action member.
struct ItemDef {
    QAction* frmMain::*action;
    const char* name;
    const char* caption;  // the English design caption
    int textId;
    const char* shortcut;
    Handler handler;
};

struct MenuDef {
    QMenu* frmMain::*menu;
    const char* name;
    const char* caption;
    int textId;  // 0: the hidden popups, which get no text
    bool onMenuBar;
    std::vector<ItemDef> items;
};

ItemDef Separator(const char* name = "") { return {nullptr, name, "", 0, "", nullptr}; }

const std::vector<MenuDef>& Menus() {
    static const std::vector<MenuDef> menus = {
        {&frmMain::mnufile,
         "mnufile",
         "File",
         26,
         true,
         {
             {&frmMain::mnuFileAddUser, "mnuFileAddUser", "Add New User", 30, "Ctrl+N", &frmMain::mnuFileAddUser_Click},
             {&frmMain::mnuFileDelCurUser, "mnuFileDelCurUser", "Delete Current User", 31, "Ctrl+T",
              &frmMain::mnuFileDelCurUser_Click},
             {&frmMain::mnuFileSelectUser, "mnuFileSelectUser", "Select User", 32, "Ctrl+H",
              &frmMain::mnuFileSelectUser_Click},
             {&frmMain::mnuFileUnloadUser, "mnuFileUnloadUser", "Unload User", 141, "Ctrl+U",
              &frmMain::mnuFileUnloadUser_Click},
             Separator(),
             {&frmMain::mnuFileChangeUsPasw, "mnuFileChangeUsPasw", "Change User Password", 33, "Ctrl+G",
              &frmMain::mnuFileChangeUsPasw_Click},
             {&frmMain::mnuFileSaveDB, "mnuFileSaveDB", "Save Database", 34, "Ctrl+S", &frmMain::mnuFileSaveDB_Click},
             Separator(),
             {&frmMain::mnuFileBackup, "mnuFileBackup", "Backup Manager", 142, "", &frmMain::mnuFileBackup_Click},
             Separator(),
             {&frmMain::mnuFileExit, "mnuFileExit", "Exit", 35, "Ctrl+E", &frmMain::mnuFileExit_Click},
         }},
        {&frmMain::mnuView,
         "mnuView",
         "View",
         27,
         true,
         {
             {&frmMain::mnuViewToolBar, "mnuViewToolBar", "Toolbar", 36, "", &frmMain::mnuViewToolBar_Click},
             {&frmMain::mnuViewStatusbar, "mnuViewStatusbar", "Status Bar", 37, "", &frmMain::mnuViewStatusbar_Click},
             Separator(),
             {&frmMain::mnuViewOnTop, "mnuViewOnTop", "Always on Top", 38, "", &frmMain::mnuViewOnTop_Click},
         }},
        {&frmMain::mnuTools,
         "mnuTools",
         "Tools",
         28,
         true,
         {
             {&frmMain::mnuToolsGenerator, "mnuToolsGenerator", "Password Generator", 39, "Ctrl+R",
              &frmMain::mnuToolsGenerator_Click},
             {&frmMain::mnuToolsFlash, "mnuToolsFlash", "Install to Removeable Device", 143, "",
              &frmMain::mnuToolsFlash_Click},
             {&frmMain::mnuToolsClearClip, "mnuToolsClearClip", "Clear Clipboard", 40, "Ctrl+P",
              &frmMain::mnuToolsClearClip_Click},
             {&frmMain::mnuToolsFind, "mnuToolsFind", "Find", 41, "Ctrl+F", &frmMain::mnuToolsFind_Click},
             Separator(),
             {&frmMain::mnuToolsOptions, "mnuToolsOptions", "Options", 42, "Ctrl+O", &frmMain::mnuToolsOptions_Click},
         }},
        {&frmMain::mnuHelp,
         "mnuHelp",
         "Help",
         29,
         true,
         {
             {&frmMain::mnuHelpContents, "mnuHelpContents", "Contents", 43, "", &frmMain::mnuHelpContents_Click},
             {&frmMain::mnuHelpAskSupport, "mnuHelpAskSupport", "Ask support", 44, "",
              &frmMain::mnuHelpAskSupport_Click},
             Separator(),
             {&frmMain::mnuHelpAbout, "mnuHelpAbout", "About", 46, "", &frmMain::mnuHelpAbout_Click},
         }},
        {&frmMain::mnuContextTrv,
         "mnuContextTrv",
         "ContextTrv",
         0,
         false,
         {
             {&frmMain::mnuContextTrvAddFolder, "mnuContextTrvAddFolder", "Add New Folder", 113, "",
              &frmMain::mnuContextTrvAddFolder_Click},
             {&frmMain::mnuContextTrvDelFolder, "mnuContextTrvDelFolder", "Delete Folder", 114, "",
              &frmMain::mnuContextTrvDelFolder_Click},
             Separator("mnuContextTrvSepar"),
             {&frmMain::mnuContextTrvAddRec, "mnuContextTrvAddRec", "Add New Record", 115, "",
              &frmMain::mnuContextTrvAddRec_Click},
             {&frmMain::mnuContextTrvDelRec, "mnuContextTrvDelRec", "Delete Record", 116, "",
              &frmMain::mnuContextTrvDelRec_Click},
             Separator("mnuContextTrvSepar2"),
             {&frmMain::mnuContextTrvEdit, "mnuContextTrvEdit", "Edit", 117, "", &frmMain::mnuContextTrvEdit_Click},
             {&frmMain::mnuContextTrvRename, "mnuContextTrvRename", "Rename", 118, "Ctrl+M",
              &frmMain::mnuContextTrvRename_Click},
         }},
        {&frmMain::mnuContextVal,
         "mnuContextVal",
         "ContextVal",
         0,
         false,
         {
             {&frmMain::mnuContextValCopyPasw, "mnuContextValCopyPasw", "Copy Password", 119, "",
              &frmMain::mnuContextValCopyPasw_Click},
             {&frmMain::mnuContextValCopyLog, "mnuContextValCopyLog", "Copy Login", 120, "",
              &frmMain::mnuContextValCopyLog_Click},
             {&frmMain::mnuContextValCopyTit, "mnuContextValCopyTit", "Copy Title", 122, "",
              &frmMain::mnuContextValCopyTit_Click},
             {&frmMain::mnuContextValCopyDesc, "mnuContextValCopyDesc", "Copy Description", 121, "",
              &frmMain::mnuContextValCopyDesc_Click},
         }},
        {&frmMain::mnuTray,
         "mnuTray",
         "Tray",
         0,
         false,
         {
             {&frmMain::mnuTrayShow, "mnuTrayShow", "Show", 123, "", &frmMain::mnuTrayShow_Click},
             {&frmMain::mnuTrayGenPasw, "mnuTrayGenPasw", "Generate Password", 124, "", &frmMain::mnuTrayGenPasw_click},
             {&frmMain::mnuTraySaveDB, "mnuTraySaveDB", "Save Database", 125, "", &frmMain::mnuTraySaveDB_Click},
             {&frmMain::mnuTraySelectUser, "mnuTraySelectUser", "Change User", 126, "",
              &frmMain::mnuTraySelectUser_Click},
             Separator(),
             {&frmMain::mnuTrayExit, "mnuTrayExit", "Exit", 127, "", &frmMain::mnuTrayExit_Click},
         }},
    };
    return menus;
}

// The toolbar: index 1 to 11, key, design tooltip, text id (0: separator).
struct ButtonDef {
    const char* key;
    const char* tooltip;
    int textId;
};

const std::vector<ButtonDef>& Buttons() {
    static const std::vector<ButtonDef> buttons = {
        {"btnAddUser", "Add New User", 47},
        {"btnDelUser", "Delete Current User", 48},
        {"btnSelectUser", "Select User", 49},
        {"btnSepar", "", 0},
        {"btnAddFolder", "Add New Folder", 50},
        {"btnDelFolder", "Delete Folder", 51},
        {"", "", 0},
        {"btnAddRec", "Add New Record", 52},
        {"btnDelRec", "Delete Record", 53},
        {"tbnSepar2", "", 0},
        {"btnFind", "Find", 54},
    };
    return buttons;
}

}  // namespace

void frmMain::BuildMenus() {
    for (const MenuDef& m : Menus()) {
        auto* menu = new QMenu(QString::fromLatin1(m.caption), this);
        menu->setObjectName(QString::fromLatin1(m.name));
        this->*m.menu = menu;
        if (m.onMenuBar) menuBar()->addMenu(menu);
        for (const ItemDef& it : m.items) {
            if (!it.action) {
                QAction* sep = menu->addSeparator();
                if (*it.name) sep->setObjectName(QString::fromLatin1(it.name));
                continue;
            }
            QAction* a = menu->addAction(QString::fromLatin1(it.caption));
            a->setObjectName(QString::fromLatin1(it.name));
            if (*it.shortcut) {
                a->setShortcut(QKeySequence(QString::fromLatin1(it.shortcut)));
                // Shortcuts of the hidden popups work through the window.
                if (!m.onMenuBar) addAction(a);
            }
            this->*it.action = a;
            const Handler handler = it.handler;
            connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        }
    }
    for (QAction* a : {mnuViewToolBar, mnuViewStatusbar, mnuViewOnTop}) a->setCheckable(true);
}

void frmMain::BuildToolbar() {
    int index = 0;
    for (const ButtonDef& b : Buttons()) {
        ++index;
        QAction* a = nullptr;
        if (b.textId == 0) {
            a = tlbToolbar->addSeparator();
        } else {
            a = tlbToolbar->addAction(imlToolBarList->Icon(b.key), QString::fromLatin1(b.tooltip));
            a->setToolTip(QString::fromLatin1(b.tooltip));
            const std::string key = b.key;
            connect(a, &QAction::triggered, this, [this, index, key] { tlbToolbar_ButtonClick(index, key); });
        }
        if (*b.key) a->setObjectName(QString::fromLatin1(b.key));
        toolbarButtons_.push_back(a);
        toolbarKeys_.push_back(b.key);
    }
}

QAction* frmMain::ToolbarButton(int index) const {
    if (index < 1 || index > static_cast<int>(toolbarButtons_.size())) return nullptr;
    return toolbarButtons_[static_cast<std::size_t>(index - 1)];
}

QAction* frmMain::ToolbarButton(const std::string& key) const {
    for (std::size_t i = 0; i < toolbarKeys_.size(); ++i)
        if (toolbarKeys_[i] == key) return toolbarButtons_[i];
    return nullptr;
}

void frmMain::EnableButton(const std::string& key, bool enabled) { Enable(ToolbarButton(key), enabled); }

void frmMain::Enable(QAction* action, bool enabled) {
    if (!action) return;
    action->setEnabled(enabled);
}

void frmMain::ShowFormLang() try {
    TRACE("ShowFormLang");
    for (const MenuDef& m : Menus()) {
        if (m.textId) (this->*m.menu)->setTitle(qtplat::AnsiToQString(modLang::Texts(m.textId)));
        for (const ItemDef& it : m.items)
            if (it.action) (this->*it.action)->setText(qtplat::AnsiToQString(modLang::Texts(it.textId)));
    }
    int index = 0;
    for (const ButtonDef& b : Buttons()) {
        ++index;
        if (!b.textId) continue;
        const QString text = qtplat::AnsiToQString(modLang::Texts(b.textId));
        ToolbarButton(index)->setText(text);
        ToolbarButton(index)->setToolTip(text);
    }
}
TRACE_BOUNDARY
