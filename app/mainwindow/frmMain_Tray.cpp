// The notification-area icon: switching it on and off, and its events.
#include <QApplication>

#include "app/core/modMain.h"
#include "app/mainwindow/frmMain.h"
#include "app/mainwindow/frmSysTray.h"
#include "app/mainwindow/modTray.h"
#include "platform/qt/Desktop.h"

void frmMain::TrayIconManagement(std::int32_t action) {
    TRACE("TrayIconManagement", TV(action));
    if (action == 1) {
        // One icon at a time: a second request keeps the one there is.
        if (!m_frmSysTray) modTray::CreateTrayIcon(*this);
        modMain::DoUnloadTIcon = true;
    } else if (action == 2) {
        modTray::DeleteIcon(*this);
        modMain::DoUnloadTIcon = false;
    }
}

void frmMain::m_frmSysTray_MenuClick(std::int32_t lIndex, const std::string& sKey) try {
    TRACE("m_frmSysTray_MenuClick", TV(lIndex), TV(sKey));
    if (trace::Reporting()) return;
    if (sKey == "Show")
        m_frmSysTray_SysTrayDoubleClick(1);
    else if (sKey == "GenPassword")
        mnuToolsGenerator_Click();
    else if (sKey == "SaveDB")
        mnuFileSaveDB_Click();
    else if (sKey == "SelectUser")
        mnuFileSelectUser_Click();
    else if (sKey == "UnloadUser")
        mnuFileUnloadUser_Click();
    else if (sKey == "Exit")
        mnuFileExit_Click();
    else
        qtplat::MsgBox("Clicked item with key " + sKey, qtplat::vbInformation);
}
TRACE_BOUNDARY

void frmMain::m_frmSysTray_SysTrayDoubleClick(int eButton) try {
    TRACE("m_frmSysTray_SysTrayDoubleClick", TV(eButton));
    if (trace::Reporting()) return;
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    // A window cannot be shown while a modal one is open: that step is
    // skipped, and the window comes with the next double click.
    if (QApplication::activeModalWidget()) return;
    show();
    raise();
    activateWindow();
}
TRACE_BOUNDARY

void frmMain::m_frmSysTray_SysTrayMouseDown(int eButton) try {
    TRACE("m_frmSysTray_SysTrayMouseDown", TV(eButton));
    if (trace::Reporting()) return;
    if (eButton == 2 && m_frmSysTray) m_frmSysTray->ShowMenu();
}
TRACE_BOUNDARY
