#include "app/mainwindow/frmSysTray.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <algorithm>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

// The longest tip the desktop is given, in characters.
constexpr int kTipChars = 127;
constexpr int kOldShellTipChars = 63;
constexpr int kBalloonChars = 255;
constexpr int kBalloonTitleChars = 63;

// The menu items that need a loaded database.
constexpr std::int32_t kSaveDBItem = 2;
constexpr std::int32_t kUnloadUserItem = 4;

QSystemTrayIcon::MessageIcon BalloonIcon(std::int32_t eIcon) {
    switch (eIcon & 0x0F) {
        case 1:
            return QSystemTrayIcon::Information;
        case 2:
            return QSystemTrayIcon::Warning;
        case 3:
            return QSystemTrayIcon::Critical;
        default:
            return QSystemTrayIcon::NoIcon;
    }
}

}  // namespace

frmSysTray::frmSysTray(QWidget* owner) : QWidget(owner, Qt::Tool) {
    setObjectName(QStringLiteral("frmSysTray"));
    mnuPopup = new QMenu(this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    // Element 0 of the item array exists from the start, unused and hidden.
    QAction* first = mnuPopup->addAction(QString());
    first->setObjectName(QStringLiteral("mnuSysTray"));
    first->setVisible(false);
    mnuSysTray.push_back(first);
    keys_.emplace_back();
    captions_.emplace_back();
    connect(mnuPopup, &QMenu::triggered, this, [this](QAction* action) { ItemTriggered(action); });
    // The desktop may show the menu itself (a right click on the icon): the
    // items follow the program's state before it appears.
    connect(mnuPopup, &QMenu::aboutToShow, this, [this] { MenuAboutToShow(); });

    trayIcon_ = new QSystemTrayIcon(this);
    trayIcon_->setContextMenu(mnuPopup);
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { IconActivated(static_cast<int>(reason)); });
    connect(trayIcon_, &QSystemTrayIcon::messageClicked, this, [this] { BalloonWasClicked(); });
    Form_Load();
}

frmSysTray::~frmSysTray() {
    if (trayIcon_) trayIcon_->hide();
}

std::string frmSysTray::DumpModuleVars() const {
    std::string out;
    out += trace::DumpVariable("m_bAddedMenuItem", m_bAddedMenuItem);
    out += trace::DumpVariable("m_iDefaultIndex", m_iDefaultIndex);
    out += trace::DumpVariable("m_bUseUnicode", m_bUseUnicode);
    out += trace::DumpVariable("m_bSupportsNewVersion", m_bSupportsNewVersion);
    out += trace::FixedUdt("nfIconDataA", "NOTIFYICONDATAA");
    out += trace::FixedUdt("nfIconDataW", "NOTIFYICONDATAW");
    return out;
}

void frmSysTray::Form_Load() {
    TRACE("Form_Load");
    trace::TraceObjectLoaded("frmSysTray", true, TraceInstanceID);
    m_bUseUnicode = true;
    m_bSupportsNewVersion = QSystemTrayIcon::supportsMessages();
    ToolTip(qtplat::kProgramTitle);
    trayIcon_->setIcon(windowIcon());
    loaded_ = true;
    // Without an icon yet the icon is added once it gets one.
    if (!trayIcon_->icon().isNull()) trayIcon_->show();
    ApplyDefault();
}

void frmSysTray::Unload() {
    TRACE("Unload");
    if (!loaded_) return;
    loaded_ = false;
    trayIcon_->hide();
    trace::TraceUnload("frmSysTray", TraceInstanceID);
    // Unloading may come from one of this window's own menu items, whose
    // signal is still running: the objects go once it has returned.
    deleteLater();
}

void frmSysTray::ShowBalloonTip(const std::string& sMessage, const std::string& sTitle, std::int32_t eIcon,
                                std::int32_t lTimeOutMs) {
    TRACE("ShowBalloonTip", TV(sMessage), TV(sTitle), TV(eIcon), TV(lTimeOutMs));
    if (!m_bSupportsNewVersion) return;
    trayIcon_->showMessage(qtplat::AnsiToQString(sTitle).left(kBalloonTitleChars),
                           qtplat::AnsiToQString(sMessage).left(kBalloonChars), BalloonIcon(eIcon), lTimeOutMs);
}

std::string frmSysTray::ToolTip() const {
    TRACE_PROP("ToolTip");
    return qtplat::QStringToAnsiLossy(tip_);
}

void frmSysTray::ToolTip(const std::string& sTip) {
    TRACE_PROP("ToolTip", TV(sTip));
    tip_ = qtplat::AnsiToQString(sTip).left(m_bSupportsNewVersion ? kTipChars : kOldShellTipChars);
    trayIcon_->setToolTip(tip_);
}

QIcon frmSysTray::IconHandle() const {
    TRACE_PROP("IconHandle");
    return trayIcon_->icon();
}

void frmSysTray::IconHandle(const QIcon& hIcon) {
    TRACE_PROP("IconHandle");
    if (hIcon.cacheKey() == trayIcon_->icon().cacheKey()) return;
    trayIcon_->setIcon(hIcon);
    if (loaded_ && !hIcon.isNull() && !trayIcon_->isVisible()) trayIcon_->show();
}

std::int32_t frmSysTray::AddMenuItem(const std::string& sCaption, const std::string& sKey, bool bDefault) {
    TRACE("AddMenuItem", TV(sCaption), TV(sKey), TV(bDefault));
    std::int32_t index = 0;
    if (!m_bAddedMenuItem) {
        m_bAddedMenuItem = true;
    } else {
        QAction* item = mnuPopup->addAction(QString());
        item->setObjectName(QStringLiteral("mnuSysTray"));
        mnuSysTray.push_back(item);
        keys_.emplace_back();
        captions_.emplace_back();
        index = static_cast<std::int32_t>(mnuSysTray.size()) - 1;
    }
    TRACE_LOCAL(index);
    mnuSysTray[static_cast<std::size_t>(index)]->setVisible(true);
    SetItem(index, sCaption, sKey);
    if (bDefault) m_iDefaultIndex = index;
    ApplyDefault();
    return index;
}

void frmSysTray::EnableMenuItem(std::int32_t lIndex, bool bState) {
    TRACE("EnableMenuItem", TV(lIndex), TV(bState));
    if (ValidIndex(lIndex)) mnuSysTray[static_cast<std::size_t>(lIndex)]->setEnabled(bState);
}

void frmSysTray::RemoveMenuItem(std::int32_t iIndex) {
    TRACE("RemoveMenuItem", TV(iIndex));
    if (!ValidIndex(iIndex)) return;
    if (iIndex == 0) {
        SetItem(0, "", keys_[0]);
        return;
    }
    const auto last = static_cast<std::int32_t>(mnuSysTray.size()) - 1;
    for (std::int32_t i = iIndex; i < last; ++i) SetItem(i, Caption(i + 1), Key(i + 1));
    delete mnuSysTray.back();
    mnuSysTray.pop_back();
    keys_.pop_back();
    captions_.pop_back();
    ApplyDefault();
}

std::int32_t frmSysTray::DefaultMenuIndex() const {
    TRACE_PROP("DefaultMenuIndex");
    return m_iDefaultIndex;
}

void frmSysTray::DefaultMenuIndex(std::int32_t lIndex) {
    TRACE_PROP("DefaultMenuIndex", TV(lIndex));
    m_iDefaultIndex = ValidIndex(lIndex) ? lIndex : 0;
    ApplyDefault();
}

void frmSysTray::ShowMenu() {
    TRACE("ShowMenu");
    EnableDatabaseItems();
    ApplyDefault();
    mnuPopup->popup(QCursor::pos());
}

void frmSysTray::Form_MouseMove(std::int32_t lMessage) {
    TRACE("Form_MouseMove", TV(lMessage));
    if (trace::Reporting()) return;
    auto raise = [](const std::function<void()>& event) {
        if (event) event();
    };
    auto raiseButton = [](const std::function<void(int)>& event, int button) {
        if (event) event(button);
    };
    switch (lMessage) {
        case kMouseMove:
            raise(SysTrayMouseMove);
            break;
        case kLeftButtonUp:
            raiseButton(SysTrayMouseDown, 1);
            break;
        case kLeftDoubleClick:
            raiseButton(SysTrayDoubleClick, 1);
            break;
        case kRightButtonDown:
            raiseButton(SysTrayMouseDown, 2);
            break;
        case kRightButtonUp:
            raiseButton(SysTrayMouseUp, 2);
            break;
        case kRightDoubleClick:
            raiseButton(SysTrayDoubleClick, 2);
            break;
        case kBalloonShow:
            raise(BalloonShow);
            break;
        case kBalloonHide:
            raise(BalloonHide);
            break;
        case kBalloonTimeOut:
            raise(BalloonTimeOut);
            break;
        case kBalloonClicked:
            raise(BalloonClicked);
            break;
        default:
            // The left button's press and anything else raise nothing.
            break;
    }
}

std::string frmSysTray::Caption(std::int32_t index) const {
    if (!ValidIndex(index)) return {};
    return captions_[static_cast<std::size_t>(index)];
}

std::string frmSysTray::Key(std::int32_t index) const {
    return ValidIndex(index) ? keys_[static_cast<std::size_t>(index)] : std::string();
}

bool frmSysTray::ValidIndex(std::int32_t index) const {
    return index >= 0 && index < static_cast<std::int32_t>(mnuSysTray.size());
}

void frmSysTray::SetItem(std::int32_t index, const std::string& caption, const std::string& key) {
    QAction* item = mnuSysTray[static_cast<std::size_t>(index)];
    const bool separator = caption == "-";
    // Styles paint a separator's text as a heading.
    item->setText(separator ? QString() : qtplat::AnsiToQString(caption));
    item->setSeparator(separator);
    captions_[static_cast<std::size_t>(index)] = caption;
    keys_[static_cast<std::size_t>(index)] = key;
}

void frmSysTray::ApplyDefault() {
    mnuPopup->setDefaultAction(ValidIndex(m_iDefaultIndex) ? mnuSysTray[static_cast<std::size_t>(m_iDefaultIndex)]
                                                           : nullptr);
}

void frmSysTray::EnableDatabaseItems() {
    TRACE("EnableDatabaseItems");
    const bool loaded = modMain::CurUsDB && modMain::CurUsDB->TabNum() != 0;
    EnableMenuItem(kSaveDBItem, loaded);
    EnableMenuItem(kUnloadUserItem, loaded);
}

void frmSysTray::ItemTriggered(QAction* action) try {
    TRACE("mnuSysTray_Click");
    if (trace::Reporting()) return;
    const auto it = std::find(mnuSysTray.begin(), mnuSysTray.end(), action);
    if (it == mnuSysTray.end()) return;
    const auto index = static_cast<std::int32_t>(it - mnuSysTray.begin());
    TRACE_LOCAL(index);
    // The handler may unload this window: the key is copied first.
    const std::string key = Key(index);
    if (MenuClick) MenuClick(index, key);
}
TRACE_BOUNDARY

void frmSysTray::MenuAboutToShow() try {
    if (!trace::Reporting()) EnableDatabaseItems();
}
TRACE_BOUNDARY

void frmSysTray::IconActivated(int reason) try {
    // The platform pops the context menu up on its own; what reaches the
    // program is the left button's release and double click.
    if (reason == QSystemTrayIcon::Trigger)
        Form_MouseMove(kLeftButtonUp);
    else if (reason == QSystemTrayIcon::DoubleClick)
        Form_MouseMove(kLeftDoubleClick);
}
TRACE_BOUNDARY

void frmSysTray::BalloonWasClicked() try { Form_MouseMove(kBalloonClicked); }
TRACE_BOUNDARY
