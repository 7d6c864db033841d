// The main window's controls and the Qt events it turns into its handlers.
#include "app/mainwindow/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMetaObject>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <utility>

#include "app/core/TreeKeys.h"
#include "app/core/modMainBackup.h"
#include "app/mainwindow/ImageList.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/SplitterBar.h"
#include "app/mainwindow/Twips.h"
#include "app/mainwindow/VbEvents.h"
#include "platform/qt/Desktop.h"
#include "resources/icons/QpmImages.h"

namespace {

// The bars' heights when shown, as their tags hold them.
constexpr const char* kToolbarTag = "495";
constexpr const char* kStatusBarTag = "255";

// The tree's pictures: "1key" ... "43key" and "DBIcon".
void AddPicture(ImageList& list, const QString& folder, const std::string& key) {
    const QString path = QStringLiteral(":/%1/%2.png").arg(folder, QString::fromStdString(key));
    if (QFileInfo::exists(path)) list.Add(key, QIcon(path));
}

void LoadTreeImages(ImageList& list) {
    for (int i = 1; i <= 43; ++i) AddPicture(list, QStringLiteral("tree"), modMain::ImageKey(i));
    AddPicture(list, QStringLiteral("tree"), "DBIcon");
}

// The toolbar's pictures by button key, and the design resource "icnFolder".
void LoadToolbarImages(ImageList& list) {
    for (const char* key : {"icnFolder", "btnAddUser", "btnDelUser", "btnSelectUser", "btnAddFolder", "btnDelFolder",
                            "btnAddRec", "btnDelRec", "btnFind"})
        AddPicture(list, QStringLiteral("toolbar"), key);
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    // The program ends only through its own exit: neither hiding this window
    // nor closing the last dialog while it is hidden may end it unsaved.
    QApplication::setQuitOnLastWindowClosed(false);
    qpmimages::InitImages();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kCaption));
    BuildControls();
    BuildMenus();
    BuildToolbar();
    ConnectHandlers();
    qtplat::SetMainWindow(this);
    modMain::SetMainView(this);
    // Clicks and keys of every control pass here first, so a locked window
    // answers any of them with the password prompt.
    qApp->installEventFilter(this);
}

frmMain::~frmMain() {
    if (&modMain::MainView() == this) modMain::SetMainView(nullptr);
    if (qtplat::MainWindow() == this) qtplat::SetMainWindow(nullptr);
}

void frmMain::BuildControls() {
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    client->installEventFilter(this);

    imlMainList = new ImageList(this);
    imlMainList->setObjectName(QStringLiteral("imlMainList"));
    LoadTreeImages(*imlMainList);
    imlToolBarList = new ImageList(this);
    imlToolBarList->setObjectName(QStringLiteral("imlToolBarList"));
    LoadToolbarImages(*imlToolBarList);

    tlbToolbar = new QToolBar(client);
    tlbToolbar->setObjectName(QStringLiteral("tlbToolbar"));
    tlbToolbar->setProperty("Tag", QString::fromLatin1(kToolbarTag));
    tlbToolbar->setMovable(false);
    tlbToolbar->setFloatable(false);
    tlbToolbar->setIconSize(QSize(16, 16));
    tlbToolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);

    stbStatusBar = new QStatusBar(client);
    stbStatusBar->setObjectName(QStringLiteral("stbStatusBar"));
    stbStatusBar->setProperty("Tag", QString::fromLatin1(kStatusBarTag));
    stbStatusBar->setSizeGripEnabled(false);
    stbStatusBarPanel1 = new QLabel(stbStatusBar);
    stbStatusBarPanel1->setObjectName(QStringLiteral("stbStatusBarPanel1"));
    stbStatusBar->addWidget(stbStatusBarPanel1, 1);

    trvDatabase = new RecordTree(client);
    trvDatabase->setObjectName(QStringLiteral("trvDatabase"));

    txtValue = new QTextEdit(client);
    txtValue->setObjectName(QStringLiteral("txtValue"));
    txtValue->setReadOnly(true);
    txtValue->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtValue->setContextMenuPolicy(Qt::PreventContextMenu);
    txtValue->viewport()->installEventFilter(this);

    picSepar = new SplitterBar(client);
    picSepar->setObjectName(QStringLiteral("picSepar"));

    tmrTimer = new QTimer(this);
    tmrTimer->setObjectName(QStringLiteral("tmrTimer"));
    tmrTimer->setInterval(100);
    tmrAutobackup = new QTimer(this);
    tmrAutobackup->setObjectName(QStringLiteral("tmrAutobackup"));
    tmrAutobackup->setInterval(modMain::AutobackupTimerInterval);

    picTrayHook = new QWidget(client);
    picTrayHook->setObjectName(QStringLiteral("picTrayHook"));
    picTrayHook->setGeometry(0, 0, twips::ToPixels(300), twips::ToPixels(300));
    picTrayHook->hide();

    setMinimumSize(kMinimumWidth, kMinimumHeight);
    // The design client area until the options place the window.
    resize(twips::ToPixels(9090), twips::ToPixels(7350) + menuBar()->sizeHint().height());
}

void frmMain::ConnectHandlers() {
    picSepar->onMouseDown = [this](int b, int s, float x, float y) { picSepar_MouseDown(b, s, x, y); };
    picSepar->onMouseMove = [this](int b, int s, float x, float y) { picSepar_MouseMove(b, s, x, y); };
    picSepar->onMouseUp = [this](int b, int s, float x, float y) { picSepar_MouseUp(b, s, x, y); };
    trvDatabase->onMouseDown = [this](int b, int s, float x, float y) { trvDatabase_MouseDown(b, s, x, y); };
    trvDatabase->onMouseMove = [this](int b, int s, float x, float y) { trvDatabase_MouseMove(b, s, x, y); };
    trvDatabase->onMouseUp = [this](int b, int s, float x, float y) { trvDatabase_MouseUp(b, s, x, y); };
    trvDatabase->onClick = [this] { trvDatabase_Click(); };
    trvDatabase->onDblClick = [this] { trvDatabase_DblClick(); };
    trvDatabase->onKeyUp = [this](int keyCode, int shift) { trvDatabase_KeyUp(keyCode, shift); };
    trvDatabase->onAfterLabelEdit = [this](QTreeWidgetItem* node, const QString& newString) {
        std::int32_t cancel = 0;
        trvDatabase_AfterLabelEdit(node, cancel, newString);
        return cancel == 0;
    };
    connect(tmrTimer, &QTimer::timeout, this, [this] { tmrTimer_Timer(); });
    connect(tmrAutobackup, &QTimer::timeout, this, [this] { tmrAutobackup_Timer(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { Session_CommitData(); });
    trvDatabase->onOLEStartDrag = [this](QMimeData& data, std::int32_t& effects) {
        trvDatabase_OLEStartDrag(data, effects);
    };
    trvDatabase->onOLEDragOver = [this](const QMimeData& data, std::int32_t& effect, int b, int s, float x, float y,
                                        int state) { trvDatabase_OLEDragOver(data, effect, b, s, x, y, state); };
    trvDatabase->onOLEGiveFeedback = [this](std::int32_t& effect, bool& defaultCursors) {
        trvDatabase_OLEGiveFeedback(effect, defaultCursors);
    };
    trvDatabase->onOLEDragDrop = [this](const QMimeData& data, std::int32_t& effect, int b, int s, float x, float y) {
        trvDatabase_OLEDragDrop(data, effect, b, s, x, y);
    };
    trvDatabase->onOLECompleteDrag = [this](std::int32_t& effect) { trvDatabase_OLECompleteDrag(effect); };
}

std::string frmMain::DumpModuleVars() const {
    std::string out;
    out += trace::DumpVariable("mnIndex", mnIndex);
    out += trace::DumpVariable("ReallyExit", ReallyExit);
    out += trace::DumpVariable("SelectedRec", SelectedRec);
    out += trace::DumpVariable("Splitting", Splitting);
    out += trace::DumpVariable("mbIndrag", mbIndrag);
    out += trace::DumpVariable("IsProtected", IsProtected);
    out += trace::detail::Framed("moDragNode", moDragNode.empty() ? "{Nothing}" : "{Node}", 0);
    out += trace::DumpVariable("ForceExit", ForceExit);
    out += trace::FixedExternal("m_frmSysTray");
    return out;
}

void frmMain::Show() {
    if (!loaded_)
        Form_Load();
    else
        show();
}

bool frmMain::eventFilter(QObject* watched, QEvent* e) try {
    if (IsProtected && TakeLockedInput(watched, e)) return true;
    if (watched == client && e->type() == QEvent::Resize && trvDatabase) {
        PlaceBars();
        Form_Resize();
    } else if (txtValue && watched == txtValue->viewport() && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        const int button = VbButton(me->button());
        txtValue_MouseDown(button, VbShift(me->modifiers()), static_cast<float>(twips::FromPixels(me->position().x())),
                           static_cast<float>(twips::FromPixels(me->position().y())));
        if (button == 2) return true;  // the value box's own menu never shows
    }
    return QMainWindow::eventFilter(watched, e);
}
TRACE_BOUNDARY

void frmMain::closeEvent(QCloseEvent* e) try {
    std::int32_t Cancel = 0;
    Form_QueryUnload(Cancel, 0);
    if (Cancel) {
        e->ignore();
        return;
    }
    Form_Unload(Cancel);
    if (Cancel) {
        e->ignore();
        return;
    }
    e->accept();
    EndAfterExit();
}
TRACE_BOUNDARY

void frmMain::moveEvent(QMoveEvent* e) try {
    QMainWindow::moveEvent(e);
    // The window manager's frame moves the window's inside once it comes.
    FitFrameToOptions();
}
TRACE_BOUNDARY

void frmMain::paintEvent(QPaintEvent* e) try {
    QMainWindow::paintEvent(e);
    // The password prompt of a locked window runs after the paint, never
    // inside it.
    if (IsProtected) QueueUnlockPrompt(false);
}
TRACE_BOUNDARY

void frmMain::changeEvent(QEvent* e) try {
    QMainWindow::changeEvent(e);
    // Without a window manager a minimised window stays on screen and is
    // never painted anew: becoming active is what shows the user is back.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && IsProtected && askOnActivate_)
        QueueUnlockPrompt(true);
}
TRACE_BOUNDARY

bool frmMain::TakeLockedInput(QObject* watched, QEvent* e) {
    TRACE("TakeLockedInput");
    const QEvent::Type type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::KeyPress &&
        type != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    // Taken over, a key never becomes a menu shortcut: nothing but the
    // prompt runs in a locked window.
    if (type == QEvent::ShortcutOverride) {
        e->accept();
        return true;
    }
    QueueUnlockPrompt(true);
    return true;
}

void frmMain::QueueUnlockPrompt(bool byUser) {
    TRACE("QueueUnlockPrompt", TV(byUser));
    if (unlocking_) return;
    promptByUser_ = promptByUser_ || byUser;
    if (paintQueued_) return;
    paintQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            paintQueued_ = false;
            const bool byUser = std::exchange(promptByUser_, false);
            if (!IsProtected || !isVisible()) return;
            if (byUser) {
                if (isMinimized()) showNormal();
            } else if (isMinimized()) {
                // A minimised window shows nothing: the prompt waits for it.
                return;
            }
            Form_Paint();
        },
        Qt::QueuedConnection);
}

void frmMain::EndAfterExit() {
    if (EndProgram)
        EndProgram();
    else
        QCoreApplication::exit(0);
}
