// The notification-area window and its menu, the icon's clicks and the main
// window's handling of them. Offscreen there is no notification area, so
// the icon is driven through its callback messages and signals.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include "MainWindowFixture.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/frmSysTray.h"
#include "app/mainwindow/modTray.h"

namespace guitest {
namespace {

using Strings = std::vector<std::string>;

Strings Captions(const frmSysTray& tray) {
    Strings out;
    for (std::size_t i = 0; i < tray.mnuSysTray.size(); ++i) out.push_back(tray.Caption(static_cast<std::int32_t>(i)));
    return out;
}

Strings Keys(const frmSysTray& tray) {
    Strings out;
    for (std::size_t i = 0; i < tray.mnuSysTray.size(); ++i) out.push_back(tray.Key(static_cast<std::int32_t>(i)));
    return out;
}

class TrayTest : public MainWindowTest {
protected:
    // The window in tray mode, with a notification area to hide in.
    void StartInTrayMode(bool loggedIn = false) {
        modMain::ProgConfig(12) = "1";
        trayAvailable = true;
        if (loggedIn)
            StartLoggedIn();
        else
            Start();
        w->tmrTimer->stop();
        w->tmrAutobackup->stop();
        ASSERT_NE(w->m_frmSysTray, nullptr);
    }
    QAction* Item(std::int32_t index) { return w->m_frmSysTray->mnuSysTray.at(static_cast<std::size_t>(index)); }
};

TEST_F(TrayTest, TheIconComesWithItsMenuTipAndIconAndGoesWithItsWindow) {
    StartInTrayMode();
    frmSysTray& tray = *w->m_frmSysTray;
    EXPECT_TRUE(modMain::DoUnloadTIcon);
    EXPECT_EQ(Captions(tray), (Strings{"T123", "T124", "T125", "T126", "T141", "-", "T127"}));
    EXPECT_EQ(Keys(tray), (Strings{"Show", "GenPassword", "SaveDB", "SelectUser", "UnloadUser", "", "Exit"}));
    // A separator is a line only: its caption "-" is not painted as text.
    EXPECT_TRUE(Item(5)->isSeparator());
    EXPECT_TRUE(Item(5)->text().isEmpty());
    EXPECT_EQ(tray.DefaultMenuIndex(), 0);
    EXPECT_EQ(tray.mnuPopup->defaultAction(), Item(0));
    EXPECT_EQ(tray.ToolTip(), "Quellon Password Manager");
    EXPECT_EQ(tray.TrayIcon()->toolTip(), QStringLiteral("Quellon Password Manager"));
    EXPECT_FALSE(tray.IconHandle().isNull());
    EXPECT_EQ(tray.TrayIcon()->contextMenu(), tray.mnuPopup);
    EXPECT_FALSE(tray.isVisible());
    EXPECT_EQ(tray.DumpModuleVars(), std::string("<m_bAddedMenuItem>True</m_bAddedMenuItem>\r\n"
                                                 "<m_iDefaultIndex>0</m_iDefaultIndex>\r\n"
                                                 "<m_bUseUnicode>True</m_bUseUnicode>\r\n"
                                                 "<m_bSupportsNewVersion>") +
                                         (tray.m_bSupportsNewVersion ? "True" : "False") +
                                         "</m_bSupportsNewVersion>\r\n"
                                         "<nfIconDataA>{NOTIFYICONDATAA}</nfIconDataA>"
                                         "<nfIconDataW>{NOTIFYICONDATAW}</nfIconDataW>");

    // A second switch-on keeps the one icon there is.
    w->TrayIconManagement(1);
    EXPECT_EQ(w->m_frmSysTray, &tray);

    QPointer<frmSysTray> gone = &tray;
    QPointer<QSystemTrayIcon> icon = tray.TrayIcon();
    w->TrayIconManagement(2);
    EXPECT_EQ(w->m_frmSysTray, nullptr);
    EXPECT_FALSE(modMain::DoUnloadTIcon);
    EXPECT_FALSE(icon->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    // Without the icon, closing asks as outside tray mode.
    EXPECT_FALSE(w->InTrayMode());
    w->TrayIconManagement(2);
    w->TrayIconManagement(3);
    EXPECT_EQ(w->m_frmSysTray, nullptr);
}

TEST_F(TrayTest, SaveAndUnloadFollowTheLoadedDatabase) {
    StartInTrayMode();
    frmSysTray& tray = *w->m_frmSysTray;
    auto enabled = [&] {
        std::vector<bool> out;
        for (QAction* item : tray.mnuSysTray) out.push_back(item->isEnabled());
        return out;
    };
    // The desktop shows the menu itself on a right click.
    emit tray.mnuPopup->aboutToShow();
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, true, false, true, true}));

    ASSERT_FALSE(modMain::FullUserLoad(kUser, Md5Text(kPassword)).has_value());
    tray.ShowMenu();
    EXPECT_TRUE(tray.mnuPopup->isVisible());
    EXPECT_EQ(enabled(), (std::vector<bool>(7, true)));
    tray.mnuPopup->close();

    modMain::UnloadUser();
    // A right click raised through the callback pops the menu up as well.
    tray.Form_MouseMove(frmSysTray::kRightButtonDown);
    EXPECT_TRUE(tray.mnuPopup->isVisible());
    EXPECT_FALSE(Item(2)->isEnabled());
    EXPECT_FALSE(Item(4)->isEnabled());
    tray.mnuPopup->close();
}

TEST_F(TrayTest, MenuItemsRunTheMainWindowsCommands) {
    StartInTrayMode(true);
    w->hide();
    Item(0)->trigger();  // Show
    EXPECT_TRUE(w->isVisible());

    Item(1)->trigger();           // Generate Password
    Item(3)->trigger();           // Change User
    ASSERT_EQ(forms.size(), 3u);  // the password dialog at the start first
    EXPECT_EQ(forms[1].form, "frmPaswGenerator");
    EXPECT_EQ(forms[2].form, "frmSelectUser");

    boxes.clear();
    Item(2)->trigger();  // Save Database
    Answer(2);
    Item(4)->trigger();  // Unload User, cancelled
    w->m_frmSysTray_MenuClick(9, "Other");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].prompt, "T21");
    EXPECT_EQ(boxes[1].prompt, "T139");
    EXPECT_EQ(boxes[2].prompt, "Clicked item with key Other");
    EXPECT_EQ(boxes[2].style, 64);
    EXPECT_EQ(modMain::CurUser, kUser);

    // Exit removes the icon from inside its own menu's click.
    QPointer<frmSysTray> tray = w->m_frmSysTray;
    Answer(6);
    Item(6)->trigger();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(modMain::DoUnloadTIcon);
    EXPECT_EQ(w->m_frmSysTray, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tray.isNull());
}

TEST_F(TrayTest, ADoubleClickShowsTheWindowUnlessAModalWindowIsOpen) {
    StartInTrayMode();
    frmSysTray& tray = *w->m_frmSysTray;
    w->showMinimized();
    w->hide();
    // A single left click does nothing.
    emit tray.TrayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(w->isVisible());
    emit tray.TrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->isMinimized());

    w->hide();
    tray.Form_MouseMove(frmSysTray::kRightDoubleClick);
    EXPECT_TRUE(w->isVisible());

    // While a modal window is open the window is not shown.
    w->hide();
    bool shownUnderTheBox = true;
    QMessageBox box;
    box.setText(QStringLiteral("modal"));
    QTimer::singleShot(0, [&] {
        tray.Form_MouseMove(frmSysTray::kLeftDoubleClick);
        shownUnderTheBox = w->isVisible();
        box.reject();
    });
    box.exec();
    EXPECT_FALSE(shownUnderTheBox);
}

TEST_F(TrayTest, CallbackMessagesRaiseTheirEvents) {
    auto tray = std::make_unique<frmSysTray>(nullptr);
    Strings events;
    tray->SysTrayMouseDown = [&](int b) { events.push_back("down " + std::to_string(b)); };
    tray->SysTrayMouseUp = [&](int b) { events.push_back("up " + std::to_string(b)); };
    tray->SysTrayMouseMove = [&] { events.push_back("move"); };
    tray->SysTrayDoubleClick = [&](int b) { events.push_back("double " + std::to_string(b)); };
    tray->BalloonShow = [&] { events.push_back("balloon show"); };
    tray->BalloonHide = [&] { events.push_back("balloon hide"); };
    tray->BalloonTimeOut = [&] { events.push_back("balloon timeout"); };
    tray->BalloonClicked = [&] { events.push_back("balloon clicked"); };
    const std::pair<std::int32_t, const char*> cases[] = {
        {512, "move"},
        {513, ""},
        {514, "down 1"},
        {515, "double 1"},
        {516, "down 2"},
        {517, "up 2"},
        {518, "double 2"},
        {1026, "balloon show"},
        {1027, "balloon hide"},
        {1028, "balloon timeout"},
        {1029, "balloon clicked"},
        {519, ""},
        {0, ""},
    };
    for (const auto& [message, event] : cases) {
        SCOPED_TRACE(message);
        events.clear();
        tray->Form_MouseMove(message);
        EXPECT_EQ(events, *event ? Strings{event} : Strings{});
    }
    events.clear();
    emit tray->TrayIcon()->messageClicked();
    EXPECT_EQ(events, Strings{"balloon clicked"});
}

TEST_F(TrayTest, MenuItemsAreAddedRemovedEnabledAndMadeDefault) {
    auto tray = std::make_unique<frmSysTray>(nullptr);
    ASSERT_EQ(tray->mnuSysTray.size(), 1u);
    EXPECT_FALSE(tray->mnuSysTray[0]->isVisible());
    // Removing the only item leaves one empty item.
    EXPECT_EQ(tray->AddMenuItem("Only", "only", false), 0);
    EXPECT_TRUE(tray->m_bAddedMenuItem);
    EXPECT_TRUE(tray->mnuSysTray[0]->isVisible());
    tray->RemoveMenuItem(0);
    EXPECT_EQ(Captions(*tray), Strings{""});

    for (const char* c : {"A", "-", "C", "D"}) tray->AddMenuItem(c, std::string("k") + c, std::string(c) == "C");
    EXPECT_EQ(tray->DefaultMenuIndex(), 3);
    EXPECT_EQ(Captions(*tray), (Strings{"", "A", "-", "C", "D"}));
    // The later items move down; the separator's place takes a normal item.
    tray->RemoveMenuItem(2);
    EXPECT_EQ(Captions(*tray), (Strings{"", "A", "C", "D"}));
    EXPECT_EQ(Keys(*tray), (Strings{"only", "kA", "kC", "kD"}));
    EXPECT_FALSE(tray->mnuSysTray[2]->isSeparator());
    tray->RemoveMenuItem(4);
    tray->RemoveMenuItem(-1);
    EXPECT_EQ(tray->mnuSysTray.size(), 4u);

    tray->EnableMenuItem(1, false);
    tray->EnableMenuItem(9, false);
    EXPECT_FALSE(tray->mnuSysTray[1]->isEnabled());
    tray->DefaultMenuIndex(2);
    EXPECT_EQ(tray->mnuPopup->defaultAction(), tray->mnuSysTray[2]);
    tray->DefaultMenuIndex(7);
    EXPECT_EQ(tray->DefaultMenuIndex(), 0);

    // A click names the item's index and key as they are now.
    std::vector<std::pair<std::int32_t, std::string>> clicks;
    tray->MenuClick = [&](std::int32_t i, const std::string& key) { clicks.emplace_back(i, key); };
    tray->mnuSysTray[3]->trigger();
    EXPECT_EQ(clicks, (std::vector<std::pair<std::int32_t, std::string>>{{3, "kD"}}));

    // A separator that moves down stays a separator without a text.
    auto other = std::make_unique<frmSysTray>(nullptr);
    for (const char* c : {"A", "B", "-", "C"}) other->AddMenuItem(c, c, false);
    other->RemoveMenuItem(1);
    EXPECT_EQ(Captions(*other), (Strings{"A", "-", "C"}));
    EXPECT_TRUE(other->mnuSysTray[1]->isSeparator());
    EXPECT_TRUE(other->mnuSysTray[1]->text().isEmpty());
    EXPECT_FALSE(other->mnuSysTray[2]->isSeparator());

    // A tip longer than the desktop takes is cut.
    tray->ToolTip(std::string(200, 'x'));
    const std::size_t tipChars = tray->m_bSupportsNewVersion ? 127 : 63;
    EXPECT_EQ(tray->ToolTip(), std::string(tipChars, 'x'));
    EXPECT_EQ(static_cast<std::size_t>(tray->TrayIcon()->toolTip().size()), tipChars);
}

}  // namespace
}  // namespace guitest
