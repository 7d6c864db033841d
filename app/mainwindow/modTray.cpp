#include "app/mainwindow/modTray.h"

#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/mainwindow/frmMain.h"
#include "app/mainwindow/frmSysTray.h"
#include "app/mainwindow/modIcon.h"
#include "app/trace/Trace.h"

namespace modTray {

namespace {

// The icon's menu: text number, key, default item. Text 0 is the separator.
struct TrayItem {
    std::int32_t textId;
    const char* key;
    bool isDefault;
};
constexpr TrayItem kItems[] = {
    {123, "Show", true},        {124, "GenPassword", false}, {125, "SaveDB", false},
    {126, "SelectUser", false}, {141, "UnloadUser", false},  {0, "", false},
    {127, "Exit", false},
};

}  // namespace

std::string DumpModuleVars() { return trace::FixedUdt("TrayIcon", "NOTIFYICONDATA"); }

void CreateTrayIcon(frmMain& main) {
    TRACE_MOD(modTray, "CreateTrayIcon");
    auto* tray = new frmSysTray(&main);
    main.m_frmSysTray = tray;
    tray->MenuClick = [&main](std::int32_t lIndex, const std::string& sKey) {
        main.m_frmSysTray_MenuClick(lIndex, sKey);
    };
    tray->SysTrayDoubleClick = [&main](int eButton) { main.m_frmSysTray_SysTrayDoubleClick(eButton); };
    tray->SysTrayMouseDown = [&main](int eButton) { main.m_frmSysTray_SysTrayMouseDown(eButton); };
    for (const TrayItem& item : kItems)
        tray->AddMenuItem(item.textId ? modLang::Texts(item.textId) : std::string("-"), item.key, item.isDefault);
    tray->ToolTip(kTrayTip);
    tray->IconHandle(modIcon::GetIconHandle(modMain::Pt(modMain::AppPath()) + "mainicon.ico"));
}

void DeleteIcon(frmMain& main) {
    TRACE_MOD(modTray, "DeleteIcon");
    if (!main.m_frmSysTray) return;
    main.m_frmSysTray->Unload();
    main.m_frmSysTray = nullptr;
}

}  // namespace modTray
