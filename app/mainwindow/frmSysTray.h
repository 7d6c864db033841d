#pragma once
// The notification-area window: a hidden window that owns the program's
// notification-area icon and the icon's popup menu. Creating it adds the
// icon, unloading it removes the icon; the window itself is never shown.
//
// The desktop's clicks on the icon arrive as the callback message numbers of
// the notification-icon protocol (Form_MouseMove) and go out as the window's
// events; a click on a menu item goes out as MenuClick with the item's index
// and key. The owner (the main window) sets the event functions it handles.
//
// Menu items form a control array counted from 0: element 0 exists from the
// start and is used by the first AddMenuItem; each later item is appended.
// A caption "-" makes the item a separator. Captions are code-page text.
#include <QIcon>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/trace/Trace.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

class frmSysTray : public QWidget, public trace::Traced {
public:
    // Callback message numbers of the notification icon.
    enum Message : std::int32_t {
        kMouseMove = 512,
        kLeftButtonDown = 513,
        kLeftButtonUp = 514,
        kLeftDoubleClick = 515,
        kRightButtonDown = 516,
        kRightButtonUp = 517,
        kRightDoubleClick = 518,
        kBalloonShow = 1026,
        kBalloonHide = 1027,
        kBalloonTimeOut = 1028,
        kBalloonClicked = 1029,
    };

    // Loads the window (Form_Load): the icon is added to the notification
    // area with the window's own icon and the application's title as its tip.
    explicit frmSysTray(QWidget* owner);
    ~frmSysTray() override;
    frmSysTray(const frmSysTray&) = delete;
    frmSysTray& operator=(const frmSysTray&) = delete;

    const char* TraceName() const override { return "frmSysTray"; }
    std::string DumpModuleVars() const override;

    // ---- Public members ----

    // A balloon over the icon, where the desktop shows balloons.
    void ShowBalloonTip(const std::string& sMessage, const std::string& sTitle, std::int32_t eIcon,
                        std::int32_t lTimeOutMs);
    // The icon's tip: at most 127 characters (63 where the desktop shows no
    // balloons); a longer text is cut.
    std::string ToolTip() const;
    void ToolTip(const std::string& sTip);
    // The icon shown; setting the icon shown already changes nothing.
    QIcon IconHandle() const;
    void IconHandle(const QIcon& hIcon);
    // Adds an item and returns its index; with bDefault it becomes the
    // default (bold) item.
    std::int32_t AddMenuItem(const std::string& sCaption, const std::string& sKey, bool bDefault);
    // Valid indices only, as everywhere below.
    void EnableMenuItem(std::int32_t lIndex, bool bState);
    // Removes item i: the later items move down one place; item 0 is never
    // removed, only its caption is cleared.
    void RemoveMenuItem(std::int32_t iIndex);
    std::int32_t DefaultMenuIndex() const;
    // An invalid index makes item 0 the default.
    void DefaultMenuIndex(std::int32_t lIndex);
    // Pops the menu up at the pointer, save database and unload user enabled
    // only while a database is loaded.
    void ShowMenu();

    // ---- The form ----

    // The desktop's callback message for the icon, turned into the events.
    void Form_MouseMove(std::int32_t lMessage);
    // The unload: the icon leaves the notification area (the window object
    // goes once control is back in the event loop).
    void Unload();

    // ---- Events ----
    std::function<void(int eButton)> SysTrayMouseDown;
    std::function<void(int eButton)> SysTrayMouseUp;
    std::function<void()> SysTrayMouseMove;
    std::function<void(int eButton)> SysTrayDoubleClick;
    std::function<void(std::int32_t lIndex, const std::string& sKey)> MenuClick;
    std::function<void()> BalloonShow;
    std::function<void()> BalloonHide;
    std::function<void()> BalloonTimeOut;
    std::function<void()> BalloonClicked;

    // ---- Controls ----
    QMenu* mnuPopup = nullptr;
    // The menu item array: an item's caption is its action's text, its key
    // the tag. A separator's caption "-" is kept, not shown.
    std::vector<QAction*> mnuSysTray;
    std::string Caption(std::int32_t index) const;
    std::string Key(std::int32_t index) const;
    // The icon in the notification area.
    QSystemTrayIcon* TrayIcon() const { return trayIcon_; }

    // ---- Form variables ----
    bool m_bAddedMenuItem = false;
    std::int32_t m_iDefaultIndex = 0;
    bool m_bUseUnicode = true;
    bool m_bSupportsNewVersion = false;

private:
    void Form_Load();
    bool ValidIndex(std::int32_t index) const;
    void SetItem(std::int32_t index, const std::string& caption, const std::string& key);
    void ApplyDefault();
    // Items 2 and 4 (save database, unload user) follow whether a database
    // is loaded.
    void EnableDatabaseItems();
    // What the desktop reports: the entry points from Qt.
    void ItemTriggered(QAction* action);
    void MenuAboutToShow();
    void IconActivated(int reason);
    void BalloonWasClicked();

    QSystemTrayIcon* trayIcon_ = nullptr;
    std::vector<std::string> keys_;
    std::vector<std::string> captions_;
    QString tip_;
    bool loaded_ = false;
    std::int16_t TraceInstanceID = 0;
};
